#pragma once

#include <QtGlobal>

#include <stdexcept>

// Tells a profile from any other file before much of it is read: a profile
// has a line that begins with "events:" or "fn=" in its first MiB. Given
// the text in order, piece by piece; it looks at the first MiB only.
class ProfileLineCheck
{
public:
    // Thrown when the text is no profile, with a sentence telling why.
    class NotAProfile : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    static constexpr qint64 window = qint64(1) << 20;

    // The next bytes of the text; throws NotAProfile once the first MiB has
    // gone by without a profile line.
    void feed(const char *begin, const char *end);
    // After the last bytes; throws NotAProfile when there was no profile line.
    void finish() const;

private:
    // How far the current line matches the key its first byte picks; -1
    // once it cannot begin with a key, up to its end.
    int m_matched = 0;
    const char *m_key = nullptr;
    qint64 m_seen = 0;
    bool m_found = false;
};
