#pragma once

#include "runtime_export.h"

#include "Conversion.h"

#include <QString>

#include <variant>

namespace rt {

// A value of the calibration: empty, null, Boolean, Long, Double or text, with
// the conversions the whole program shares.
class RUNTIME_EXPORT Variant {
public:
    enum class Type { Empty, Null, Boolean, LongInteger, Double, String };

    Variant() = default;
    Variant(bool value) : m_value(value) {}
    Variant(Long value) : m_value(value) {}
    Variant(double value) : m_value(value) {}
    Variant(const QString& value) : m_value(value) {}
    Variant(const char16_t* value) : m_value(QString::fromUtf16(value)) {}
    Variant(const char*) = delete; // say which text you mean: QStringLiteral or u""

    static Variant null() {
        Variant v;
        v.m_value = NullTag{};
        return v;
    }

    Type type() const { return Type(m_value.index()); }
    bool isEmpty() const { return type() == Type::Empty; }
    bool isNull() const { return type() == Type::Null; }
    bool isString() const { return type() == Type::String; }

    // The value as text: "" for empty, "True"/"False", Long digits, Double with
    // at most 15 digits and the user's decimal separator. Null raises error 94.
    QString toText() const;
    // Number conversions in the user's locale: empty is 0, True is -1, null
    // raises 94, text that is no number raises 13, too large values raise 6.
    double toDouble() const;
    Long toLong() const;
    // Empty is False; text "True"/"False" or a number; otherwise error 13.
    bool toBool() const;
    // The locale's numeric test: empty, Booleans and numbers are numeric,
    // null is not, text is when toDouble() would succeed.
    bool isNumeric() const;

    // The stored alternatives, for code that needs the exact type.
    bool boolValue() const { return std::get<bool>(m_value); }
    Long longValue() const { return std::get<Long>(m_value); }
    double doubleValue() const { return std::get<double>(m_value); }
    const QString& stringValue() const { return std::get<QString>(m_value); }

    // Same type and same stored value.
    bool operator==(const Variant& other) const { return m_value == other.m_value; }

private:
    struct NullTag {
        bool operator==(const NullTag&) const { return true; }
    };
    std::variant<std::monostate, NullTag, bool, Long, double, QString> m_value;
};

// Formats a value with a number pattern; text that is a number in the user's
// locale is formatted as that number, other text comes back unchanged, empty
// gives "". Null raises error 94.
RUNTIME_EXPORT QString format(const Variant& value, QStringView pattern);

} // namespace rt
