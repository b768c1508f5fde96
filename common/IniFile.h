#pragma once
// Private-profile INI access: every read goes to the file and every write
// reaches it at once. Section and key names match whatever their case; values
// are read trimmed with one pair of surrounding quotes removed, and at most
// 2047 bytes of a value are seen. Text is GBK (GB18030), lines end in CR LF.
#include <QString>

#include <stdexcept>

namespace kv {

class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const QString &path);
    QString message() const { return QString::fromUtf8(what()); }
};

class IniFile {
public:
    explicit IniFile(QString path) : path_(std::move(path)) {}

    const QString &path() const { return path_; }

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) const;
    // Throws IniWriteError ("Unable to write to " + path) when the file cannot be written.
    void writeString(const QString &section, const QString &key, const QString &value);

    static constexpr int kBufferSize = 2048;

private:
    QString path_;
};

}  // namespace kv
