#pragma once

#include <QtGlobal>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QIODevice;

// A pull parser for the XML parts of a workbook, reading UTF-8 bytes as they
// come from the device and handing out views of them: no text is converted
// until the reader asks for it, which is what makes a sheet part of tens of
// megabytes quick to read.
//
// It checks what the reader relies on (elements close in order, one root,
// attributes quoted and not repeated, every prefix bound, every reference
// one of XML's five or a character) and refuses a document type outright,
// so no entity is ever expanded, and that the bytes are UTF-8. It does not
// validate names or characters beyond that. A part in UTF-16 (by its byte order mark or its declaration)
// or in an 8-bit encoding its declaration names (ISO-8859-1, windows-874) is
// converted to UTF-8 whole first; an encoding Qt cannot convert is refused.
//
// Views stay valid until the next call to next().
class XmlScanner {
public:
    enum class Token { StartElement, EndElement, Text, EndDocument };

    class Error : public std::runtime_error {
    public:
        enum class Kind { Malformed, DocumentType, Encoding };
        Error(Kind kind, const std::string& what, qint64 line) : std::runtime_error(what), kind(kind), line(line) {}
        Kind kind;
        qint64 line;  // 1-based line of the document where it was found
    };

    struct Attribute {
        std::string_view ns;     // empty for an attribute without a prefix
        std::string_view name;   // local name
        std::string_view value;  // references replaced, white space normalised
    };

    // The device is read from its current position and must outlive the scanner.
    explicit XmlScanner(QIODevice* device);
    ~XmlScanner();
    XmlScanner(const XmlScanner&) = delete;
    XmlScanner& operator=(const XmlScanner&) = delete;

    // The next token; throws Error. An empty element (<c/>) gives its start
    // and then its end. Character data, CDATA sections included, may come as
    // several Text tokens in a row, each of whole characters: readers append them. Comments and
    // processing instructions are passed over. After EndDocument every call
    // gives EndDocument again.
    Token next();

    // Of the current start or end element.
    std::string_view name() const { return m_name; }
    std::string_view namespaceUri() const { return m_ns; }

    // Of the current start element.
    const std::vector<Attribute>& attributes() const { return m_attributes; }
    // The value of an attribute without a namespace, or a view with no data
    // (nullptr) when the element has none of that name.
    std::string_view attribute(std::string_view localName) const;

    // Of the current Text token.
    std::string_view text() const { return m_text; }

    // The line the scanner has reached, 1-based.
    qint64 line() const;

private:
    enum class Step { More, Produced, Passed };
    struct Binding {
        std::string prefix;          // empty: the default namespace
        const std::string* previous;  // what the prefix meant before
    };
    struct Open {
        size_t nameBegin;  // of its qualified name in m_openNames
        size_t nameLength;
        size_t bindings;   // m_bindings' size before the element's own declarations
    };
    struct RawAttribute {
        const char* qname;
        size_t qnameLength;
        size_t colon;        // in the qualified name, or npos
        size_t valueBegin;   // in the buffer from the token's start, or in m_scratch
        size_t valueLength;
        bool decoded;
    };

    bool more();
    void checkUtf8(const char* from, const char* end);
    void checkPassed(size_t reached) const;
    void prepare();
    [[noreturn]] void fail(const std::string& what, const char* at = nullptr) const;
    [[noreturn]] void fail(Error::Kind kind, const std::string& what, const char* at = nullptr) const;
    Step startTag(Token& token);
    Step endTag(Token& token);
    void nameElement(const char* qname, size_t length);
    Step textRun(Token& token);
    Step special(Token& token);
    const std::string* intern(std::string_view uri);
    const std::string* lookup(std::string_view prefix) const;
    void bind(std::string_view prefix, const std::string* uri);
    void popElement();
    const char* decode(const char* p, const char* end, bool attribute, std::string& out) const;

    QIODevice* m_device;
    std::string m_buffer;
    size_t m_begin = 0;  // first unread byte
    size_t m_end = 0;    // one past the last byte read
    bool m_eof = false;
    bool m_prepared = false;
    bool m_transcoded = false;
    bool m_checkUtf8 = false;
    int m_utf8Need = 0;  // continuation bytes the last character still needs
    qint64 m_dropped = 0;     // bytes dropped from the buffer's front so far
    qint64 m_badUtf8At = -1;  // offset in the document of the first byte that is not UTF-8
    unsigned char m_utf8Low = 0x80, m_utf8High = 0xBF;
    bool m_atStart = true;  // nothing but a declaration may come yet
    qint64 m_linesBefore = 0;  // newlines in bytes already dropped from the buffer

    std::unordered_set<std::string> m_uris;
    const std::string* m_none;     // the empty namespace
    const std::string* m_default;  // the default namespace in scope
    const std::string* m_xmlns;    // stands for declarations when repeats are looked for
    std::unordered_map<std::string, const std::string*> m_prefixes;
    struct Recent {
        char prefix[15];
        uint8_t length;
        const std::string* uri;
    };
    static constexpr size_t kRecent = 8;
    mutable Recent m_recent[kRecent];
    mutable size_t m_recentCount = 0;
    mutable size_t m_recentNext = 0;
    std::vector<Binding> m_bindings;
    std::vector<Open> m_open;
    std::string m_openNames;
    bool m_rootSeen = false;
    bool m_pendingEnd = false;  // an empty element's end comes next
    bool m_done = false;

    std::string_view m_name;
    std::string_view m_ns;
    std::string_view m_text;
    std::string m_scratch;
    std::vector<RawAttribute> m_raw;
    std::vector<Attribute> m_attributes;
};
