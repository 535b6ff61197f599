#pragma once

#include <QList>
#include <QString>

// The one identity of a function name within a profile, with its kind and
// the display form every view paints as the function's label.
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

    // `id` is the function's dense position in its profile's interning order.
    FunctionModel(QString name, quint32 id);

    const QString &name() const { return m_name; }
    const QString &description() const { return m_name; }
    const FormattedName &formattedName() const { return m_formattedName; }
    char type() const { return m_type; }
    quint32 id() const { return m_id; }

private:
    void formatName();

    QString m_name;
    FormattedName m_formattedName;
    char m_type = functionTypeApplication;
    quint32 m_id = 0;
};
