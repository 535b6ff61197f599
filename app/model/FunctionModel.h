#pragma once

#include <QString>

#include <string_view>

class Profile;

// The one identity of a function name within a profile, with its kind. Its
// name is decoded when asked for, so that a profile of a million functions
// costs a few bytes per function until a view shows them.
class FunctionModel final
{
public:
    // What a name says about its function: PHP's own, an internal function
    // ("php::strlen") or the inclusion of a file ("require::/a.php",
    // "include::/b.php"); an object's method ("Cart->add"); or any other
    // function of the program.
    enum class Kind : quint8 { Function, Method, Internal, Inclusion };

    // Function `id` of `profile`, whose name is `name`.
    FunctionModel(const Profile &profile, quint32 id, std::string_view name);

    // The name as the profile wrote it, decoded from UTF-8.
    const QString &name() const;
    std::string_view nameBytes() const;
    Kind kind() const { return m_kind; }
    // Internal functions and inclusions, which the tables can hide.
    bool isPhpInternal() const { return isPhpInternal(m_kind); }
    // The function's dense position in its profile's interning order.
    quint32 id() const { return m_id; }
    const Profile &profile() const { return *m_profile; }

    static Kind kindOf(std::string_view name);
    static bool isPhpInternal(Kind kind) { return kind == Kind::Internal || kind == Kind::Inclusion; }

private:
    const Profile *m_profile;
    quint32 m_id;
    Kind m_kind;
};
