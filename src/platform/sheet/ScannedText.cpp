#include "ScannedText.h"

#include <charconv>

namespace ScannedText {

QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string_view trimmed(std::string_view v)
{
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!v.empty() && space(v.front()))
        v.remove_prefix(1);
    while (!v.empty() && space(v.back()))
        v.remove_suffix(1);
    return v;
}

bool toDouble(std::string_view bytes, double& out)
{
    const std::string_view v = trimmed(bytes);
    size_t i = 0;
    const auto digits = [&] {
        const size_t from = i;
        while (i < v.size() && v[i] >= '0' && v[i] <= '9')
            ++i;
        return i > from;
    };
    bool plain = v.size() <= 64;
    if (plain && i < v.size() && v[i] == '-')
        ++i;
    plain = plain && digits();
    if (plain && i < v.size() && v[i] == '.') {
        ++i;
        plain = digits();
    }
    if (plain && i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
        ++i;
        if (i < v.size() && (v[i] == '-' || v[i] == '+'))
            ++i;
        plain = digits();
    }
    if (plain && i == v.size()) {
        const auto r = std::from_chars(v.data(), v.data() + v.size(), out);
        if (r.ec == std::errc() && r.ptr == v.data() + v.size())
            return true;
    }
    bool ok = false;
    out = QStringView(text(bytes)).trimmed().toDouble(&ok);
    return ok;
}

void moveInto(std::string& bytes, QString& text, qsizetype maxChars)
{
    if (bytes.empty())
        return;
    const qsizetype room = maxChars - text.size();
    if (room > 0)
        text.append(QStringView(ScannedText::text(bytes)).left(room));
    bytes.clear();
}

}
