#include "basKalibrierungVelmorTeilE4.h"

#include "RuntimeError.h"

#include <cmath>

QString NumberPattern(rt::Long Decimals) {
    if (Decimals <= 0)
        return QStringLiteral("#,##0");
    // Beyond what a Double can show, more zeros carry no information; the cap
    // keeps a damaged file from asking for a text of gigabytes.
    constexpr rt::Long MaxDecimals = 100;
    return QStringLiteral("#,##0.") + QString(qMin(Decimals, MaxDecimals), u'0');
}

QString FormatNumberText(const rt::Variant& Value, rt::Long Decimals) {
    if (Value.isNull())
        return QString();
    return rt::format(Value, NumberPattern(Decimals));
}

QString NullToString(const rt::Variant& Value) {
    if (Value.isNull())
        return QString();
    return Value.toText();
}

double NullToDouble(const rt::Variant& Value) {
    if (Value.isNull())
        return rt::textToDouble(u"");
    return Value.toDouble();
}

double Log10(double x) {
    if (!(x > 0.0))
        rt::raiseError(rt::err::InvalidProcedureCall);
    return std::log(x) / std::log(10.0);
}
