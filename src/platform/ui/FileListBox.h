#pragma once

#include <QListWidget>
#include <QString>

// The ordinary (not hidden) files of one directory that match a mask, sorted by
// name without regard to case; one can be selected. Read with QDir whenever the
// directory or mask changes, or on reload().
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString directory() const { return m_dir; }
    void setDirectory(const QString& path);
    QString mask() const { return m_mask; }
    // e.g. "*.xls", or several patterns: "*.xls;*.xlsx"; "*" lists every file.
    void setMask(const QString& mask);
    void reload();

    // The selected file's name, or its full path; empty text when none is selected.
    QString fileName() const;
    QString filePath() const;

private:
    QString m_dir;
    QString m_mask = QStringLiteral("*");
};
