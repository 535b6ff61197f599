#pragma once

#include <QList>
#include <QString>

#include <string_view>

class Profile;

// The one identity of a function name within a profile, with its kind. Its
// name and display form are made when asked for, so that a profile of a
// million functions costs a few bytes per function until a view shows them.
class FunctionModel final
{
public:
    static constexpr char functionTypePhpInternal = 'p';
    static constexpr char functionTypeApplication = 'a';
    static constexpr char functionTypeObjectMethod = 'o';

    // A run of `FormattedName::text` drawn in one colour (0xAARRGGBB).
    struct ColourSpan
    {
        qsizetype start = 0;
        qsizetype length = 0;
        quint32 argb = 0;
        bool operator==(const ColourSpan &) const = default;
    };

    // The display form: an icon, then the whole name raised against it.
    // Characters without a span use the view's default text colour.
    struct FormattedName
    {
        QString iconName;
        QString text;
        QList<ColourSpan> spans;
        qreal baselineOffset = 2.0;
        // Character positions of the display form: the icon, then the name.
        qsizetype length() const { return 1 + text.size(); }
    };

    static constexpr quint32 darkGrey = 0xff555555;
    static constexpr quint32 blue = 0xff0000ff;

    // Function `id` of `profile`, whose name is `name`.
    FunctionModel(const Profile &profile, quint32 id, std::string_view name);

    // The name as the profile wrote it, decoded from UTF-8.
    const QString &name() const;
    const QString &description() const { return name(); }
    std::string_view nameBytes() const;
    FormattedName formattedName() const;
    char type() const { return m_type; }
    // The function's dense position in its profile's interning order.
    quint32 id() const { return m_id; }
    const Profile &profile() const { return *m_profile; }

    static char typeOf(std::string_view name);
    // Whether `name` is that of an inclusion: "require::…" or "include::…".
    static bool isInclusion(std::string_view name);

private:
    const Profile *m_profile;
    quint32 m_id;
    char m_type;
};
