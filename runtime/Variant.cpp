#include "Variant.h"

#include "RuntimeError.h"

namespace rt {

QString Variant::toText() const {
    switch (type()) {
    case Type::Empty:
        return QString();
    case Type::Null:
        raiseError(err::InvalidUseOfNull);
    case Type::Boolean:
        return boolValue() ? QStringLiteral("True") : QStringLiteral("False");
    case Type::LongInteger:
        return QString::number(longValue());
    case Type::Double:
        return doubleToText(doubleValue());
    case Type::String:
        return stringValue();
    }
    return QString();
}

double Variant::toDouble() const {
    switch (type()) {
    case Type::Empty:
        return 0.0;
    case Type::Null:
        raiseError(err::InvalidUseOfNull);
    case Type::Boolean:
        return boolValue() ? -1.0 : 0.0;
    case Type::LongInteger:
        return longValue();
    case Type::Double:
        return doubleValue();
    case Type::String:
        return textToDouble(stringValue());
    }
    return 0.0;
}

Long Variant::toLong() const {
    if (type() == Type::LongInteger)
        return longValue();
    return rt::toLong(toDouble());
}

bool Variant::toBool() const {
    switch (type()) {
    case Type::Empty:
        return false;
    case Type::Null:
        raiseError(err::InvalidUseOfNull);
    case Type::Boolean:
        return boolValue();
    case Type::LongInteger:
        return longValue() != 0;
    case Type::Double:
        return doubleValue() != 0.0;
    case Type::String:
        return textToBool(stringValue());
    }
    return false;
}

bool Variant::isNumeric() const {
    switch (type()) {
    case Type::Null:
        return false;
    case Type::String:
        return isNumericText(stringValue());
    default:
        return true;
    }
}

QString format(const Variant& value, QStringView pattern) {
    switch (value.type()) {
    case Variant::Type::Empty:
        return QString();
    case Variant::Type::Null:
        raiseError(err::InvalidUseOfNull);
    case Variant::Type::String: {
        const auto number = parseLocaleNumber(value.stringValue());
        return number ? formatNumber(*number, pattern) : value.stringValue();
    }
    default:
        return formatNumber(value.toDouble(), pattern);
    }
}

} // namespace rt
