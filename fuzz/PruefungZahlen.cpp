// The conversions that read user text: numbers in the user's locale, typed
// and in tables, the locale-blind prefix reader, the numeric test, Booleans,
// and number patterns with any pattern and value.

#include "Eingabe.h"
#include "Pruefungen.h"

#include "Conversion.h"
#include "RuntimeError.h"
#include "UserLocale.h"

#include <cmath>
#include <string_view>

namespace {

// Half of the texts as UTF-8, half as raw UTF-16 code units (lone surrogates
// included).
QString text(Eingabe& in) {
    const bool utf16 = in.jaNein();
    const QByteArray bytes = in.text(256);
    if (!utf16)
        return QString::fromUtf8(bytes);
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

// Restores the user locale the caller had.
class LocaleZurueck {
public:
    LocaleZurueck() : m_locale(rt::userLocale()) {}
    ~LocaleZurueck() { rt::setUserLocale(m_locale); }

private:
    rt::UserLocale m_locale;
};

} // namespace

QString pruefeZahlen(QByteArrayView bytes) {
    static const rt::UserLocale english = rt::localeNamed(QStringLiteral("en_US.UTF-8"));
    const LocaleZurueck zurueck;
    Eingabe in(bytes);
    rt::setUserLocale(in.jaNein() ? rt::germanLocale() : english);
    const double value = in.gleitkomma();
    const QString number = text(in);
    const QString pattern = text(in);

    int error = 0;
    const std::optional<double> parsed = rt::parseLocaleNumber(number, &error);
    PRUEFE(parsed.has_value() == (error == 0));
    PRUEFE(parsed.has_value() || error == 13 || error == 6);
    PRUEFE(rt::isNumericText(number) == parsed.has_value());
    try {
        const double d = rt::textToDouble(number);
        PRUEFE(parsed && (d == *parsed || (std::isnan(d) && std::isnan(*parsed))));
    } catch (const rt::RuntimeError& e) {
        PRUEFE(!parsed && e.number() == error);
    }
    // Typed entry reads a number as the locale does, or refuses it; a table's
    // cell as the locale's syntax with the same separators, and alike in
    // UTF-16 and UTF-8.
    if (const std::optional<double> typed = rt::parseTypedNumber(number))
        PRUEFE(parsed && *typed == *parsed);
    const QByteArray utf8 = number.toUtf8();
    for (const bool komma : {true, false}) {
        rt::NumberSyntax plain{komma ? u',' : u'.', komma ? u'.' : u',', true, true, {}};
        const std::optional<double> cell = rt::readNumber(number, plain);
        const std::optional<double> inUtf8 =
            rt::readNumber(std::string_view(utf8.constData(), size_t(utf8.size())), plain);
        PRUEFE(cell.has_value() == inUtf8.has_value() && (!cell || *cell == *inUtf8));
        plain.plain = false;
        if (cell) {
            const std::optional<double> lenient = rt::readNumber(number, plain);
            PRUEFE(lenient && *lenient == *cell);
        }
    }
    try {
        (void)rt::val(number);
    } catch (const rt::RuntimeError& e) {
        // A type suffix that does not fit, or a number beyond the Double range.
        PRUEFE(e.number() == 13 || e.number() == 6);
    }
    try {
        (void)rt::textToBool(number);
    } catch (const rt::RuntimeError& e) {
        PRUEFE(e.number() == 13 || e.number() == 6);
    }

    // A number's text reads back to the number (15 significant digits); the
    // text of a number within 5E+293 of the largest Double rounds beyond it.
    if (std::isfinite(value) && std::fabs(value) < 1.79769313486231e308) {
        const QString shown = rt::doubleToText(value);
        const std::optional<double> back = rt::parseLocaleNumber(shown);
        PRUEFE(back.has_value());
        PRUEFE(std::fabs(*back - value) <= 1e-14 * std::fabs(value) || std::fabs(value) < 1e-300);
    }
    try {
        const QString formatted = rt::formatNumber(value, pattern);
        // The pattern's literals, the 309 digits of the largest Double with
        // their grouping, and at most 100 decimals.
        PRUEFE(formatted.size() <= pattern.size() * 2 + 1024);
    } catch (const rt::RuntimeError& e) {
        PRUEFE(e.number() != 0);
    }
    try {
        (void)rt::toLong(value);
    } catch (const rt::RuntimeError& e) {
        PRUEFE(e.number() == 6);
    }
    return QString();
}
