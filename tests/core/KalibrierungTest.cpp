#include "TestSupport.h"

#include "Kalibrierung.h"
#include "Protokolldaten.h"

#include <QSignalSpy>

using rt::Long;
using rt::Variant;

namespace {

const QStringList ResetKeys = {
    QStringLiteral("Direktes Prüfmerkmal Nachkommastellen"),
    QStringLiteral("IsDirty"),
    QStringLiteral("Indirektes Prüfmerkmal Nachkommastellen"),
    QStringLiteral("Kovariable Nachkommastellen"),
    QStringLiteral("Anzahl Prüffelder"),
    QStringLiteral("Kovariable Name"),
    QStringLiteral("Kovariable Einheit"),
    QStringLiteral("Kovariable Formelzeichen"),
    QStringLiteral("Nachkommastellen Mittelwerte"),
    QStringLiteral("Nachkommastellen Varianzen"),
    QStringLiteral("Nachkommastellen Standardabweichung"),
    QStringLiteral("Nachkommastellen Kovarianzen"),
    QStringLiteral("Nachkommastellen Bestimmtheitsmaße"),
    QStringLiteral("Nachkommastellen Anstieg"),
    QStringLiteral("Nachkommastellen Achsenabschnitt"),
    QStringLiteral("Zwischenergebnisse runden"),
    QStringLiteral("minimales Bestimmtheitsmaß Indirektes Prüfmerkmal, Direktes Prüfmerkmal"),
    QStringLiteral("Protokoll Verdichtung Unterlage Bodenart DIN 4022"),
    QStringLiteral("Protokoll Verdichtung Unterlage Bodengruppe DIN 18196"),
    QStringLiteral("Protokoll Verdichtung Unterlage Anzahl Verdichtungsübergänge"),
    QStringLiteral("Protokoll Verdichtung Unterlage Wassergehalt"),
    QStringLiteral("Protokoll Verdichtung Unterlage Trockendichte"),
    QStringLiteral("Protokoll Verdichtung Unterlage Proctordichte"),
    QStringLiteral("Protokoll Verdichtung Unterlage Verdichtungsgrad"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Bodenart DIN 4022"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Bodengruppe DIN 18196"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Geometrie"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Schütthöhe"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Proctordichte"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Grenzwassergehalt"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld optimaler Wassergehalt"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Walzentyp"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Fahrgeschwindigkeit Walze"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Verdichtungsamplitude Walze"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Verdichtungsfrequenz Walze"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Datum bei Verdichtung"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Witterung bei Verdichtung"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Temperatur bei Verdichtung"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Datum bei Prüfung"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Witterung bei Prüfung"),
    QStringLiteral("Protokoll Verdichtung Kalibrierfeld Temperatur bei Prüfung"),
};

QString text(const Kalibrierung& k, const QString& key) {
    const Variant* v = k.DataStore()->find(key);
    return v ? v->toText() : QStringLiteral("<fehlt>");
}

} // namespace

TEST(KalibrierungTest, ResetWrites41KeysInOrderWithTheirDefaults) {
    Kalibrierung k;
    EXPECT_EQ(k.DataStore()->keys(), ResetKeys);
    EXPECT_EQ(k.DataStore()->count(), 41);
    EXPECT_EQ(text(k, QStringLiteral("Protokoll Verdichtung Unterlage Bodenart DIN 4022")),
              QString());
    EXPECT_EQ(text(k, QStringLiteral("Protokoll Verdichtung Kalibrierfeld Grenzwassergehalt")),
              QStringLiteral("XXX=??%: ??% bzw ??%"));
    EXPECT_EQ(text(k, QStringLiteral("Protokoll Verdichtung Kalibrierfeld Temperatur bei Prüfung")),
              QStringLiteral("??°C"));
    EXPECT_EQ(text(k, QStringLiteral("IsDirty")), QStringLiteral("False"));
    EXPECT_EQ(text(k, QStringLiteral("Zwischenergebnisse runden")), QStringLiteral("False"));
    EXPECT_EQ(*k.DataStore()->find(QStringLiteral("Anzahl Prüffelder")), Variant(Long(3)));
    EXPECT_EQ(*k.DataStore()->find(QStringLiteral(
                  "minimales Bestimmtheitsmaß Indirektes Prüfmerkmal, Direktes Prüfmerkmal")),
              Variant(0.65));

    EXPECT_FALSE(k.IsDirty());
    EXPECT_EQ(k.PrüffelderAnzahl(), 3);
    EXPECT_EQ(k.PrüffeldPrüfpunkte(1), 4);
    EXPECT_EQ(k.PrüfpunkteTotal(), 12);
    EXPECT_EQ(k.PrüffeldWert(2), 2.0);
    EXPECT_TRUE(k.Messwert(pmDirekt, 1, 1).isNull());
    EXPECT_EQ(k.MesswertString(pmDirekt, 1, 1), QString());
    // Existence tests of the getters above inserted nothing.
    EXPECT_EQ(k.DataStore()->count(), 41);

    // Reset after changes gives the same map and fires the flag twice.
    k.setPrüffelderAnzahl(5);
    k.DataStore()->setValue(QStringLiteral("X"), Variant(u"y"));
    QSignalSpy spy(&k, &Kalibrierung::IsDirtyChanged);
    k.Reset();
    EXPECT_EQ(k.DataStore()->keys(), ResetKeys);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_FALSE(k.IsDirty());
}

TEST(KalibrierungTest, DataStoreLetComparesTextsAndMarksDirtyOnce) {
    Kalibrierung k;
    QSignalSpy spy(&k, &Kalibrierung::IsDirtyChanged);
    // A Long 3 replacing the Long 3 (text "3"), and the text "3": no change.
    k.DataStoreLet(QStringLiteral("Anzahl Prüffelder"), Long(3));
    k.DataStoreLet(QStringLiteral("Anzahl Prüffelder"), Variant(u"3"));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_FALSE(k.IsDirty());
    // The text "3.0" differs.
    k.DataStoreLet(QStringLiteral("Anzahl Prüffelder"), Variant(u"3.0"));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(k.IsDirty());
    EXPECT_EQ(*k.DataStore()->find(QStringLiteral("Anzahl Prüffelder")), Variant(u"3.0"));
    k.DataStoreLet(QStringLiteral("Kovariable Name"), Variant(u"anders"));
    EXPECT_EQ(spy.count(), 1);

    // Null on either side raises 94 and writes nothing.
    EXPECT_EQ(
        errorNumberOf([&] { k.DataStoreLet(QStringLiteral("Kovariable Name"), Variant::null()); }),
        rt::err::InvalidUseOfNull);
    EXPECT_EQ(text(k, QStringLiteral("Kovariable Name")), QStringLiteral("anders"));
    k.DataStore()->setValue(QStringLiteral("N"), Variant::null());
    EXPECT_EQ(errorNumberOf([&] { k.DataStoreLet(QStringLiteral("N"), Variant(u"a")); }),
              rt::err::InvalidUseOfNull);
    EXPECT_TRUE(k.DataStore()->find(QStringLiteral("N"))->isNull());

    // A new key is inserted by the read even when the new text is empty.
    k.DataStoreLet(QStringLiteral("Neu"), QString());
    EXPECT_TRUE(k.DataStore()->exists(QStringLiteral("Neu")));
}

TEST(KalibrierungTest, DirtyFlagFiresOnChangeOnly) {
    Kalibrierung k;
    QSignalSpy spy(&k, &Kalibrierung::IsDirtyChanged);
    k.setIsDirty(true);
    k.setIsDirty(true);
    EXPECT_EQ(spy.count(), 1);
    k.setIsDirty(false);
    EXPECT_EQ(spy.count(), 2);
    // Loaded files hold the flag as text.
    k.DataStore()->setValue(QStringLiteral("IsDirty"), Variant(u"False"));
    k.setIsDirty(false);
    EXPECT_EQ(spy.count(), 2);
    k.DataStore()->setValue(QStringLiteral("IsDirty"), Variant(u"True"));
    EXPECT_TRUE(k.IsDirty());
    // An unreadable flag reads as False; a missing one too, without inserting it.
    k.DataStore()->setValue(QStringLiteral("IsDirty"), Variant(u"vielleicht"));
    EXPECT_FALSE(k.IsDirty());
    k.DataStore()->remove(QStringLiteral("IsDirty"));
    EXPECT_FALSE(k.IsDirty());
    EXPECT_FALSE(k.DataStore()->exists(QStringLiteral("IsDirty")));
    // Empty counts as False: setting False raises nothing.
    k.DataStore()->setValue(QStringLiteral("IsDirty"), Variant());
    k.setIsDirty(false);
    EXPECT_EQ(spy.count(), 2);
}

TEST(KalibrierungTest, FieldsPointsAndValidation) {
    Kalibrierung k;
    EXPECT_EQ(errorNumberOf([&] { k.setPrüffelderAnzahl(2); }), rt::err::InvalidPropertyValue);
    EXPECT_EQ(k.PrüffelderAnzahl(), 3);
    EXPECT_EQ(errorNumberOf([&] { k.setPrüffeldPrüfpunkte(1, 2); }), rt::err::InvalidPropertyValue);
    EXPECT_FALSE(k.DataStore()->exists(QStringLiteral("Prüffeld Prüfpunktanzahl 1")));
    EXPECT_FALSE(k.IsDirty());

    k.setPrüffeldPrüfpunkte(2, 10);
    EXPECT_EQ(text(k, QStringLiteral("Prüffeld Prüfpunktanzahl 2")), QStringLiteral("10"));
    EXPECT_EQ(k.PrüfpunkteTotal(), 18);
    k.setPrüffeldWert(3, 6.5);
    EXPECT_EQ(k.PrüffeldWert(3), 6.5);
    EXPECT_EQ(text(k, QStringLiteral("Name Prüffeld 3")), QStringLiteral("6,5"));
    EXPECT_EQ(k.PrüfpunktKey(7), QStringLiteral("Prüfpunkt 7"));

    // Loaded files hold text; a text that does not convert fails in the getter.
    k.DataStore()->setValue(QStringLiteral("Anzahl Prüffelder"), Variant(u"4"));
    EXPECT_EQ(k.PrüffelderAnzahl(), 4);
    k.DataStore()->setValue(QStringLiteral("Anzahl Prüffelder"), Variant(u"abc"));
    EXPECT_EQ(errorNumberOf([&] { k.PrüffelderAnzahl(); }), rt::err::TypeMismatch);
    k.DataStore()->setValue(QStringLiteral("Anzahl Prüffelder"), Variant(Long(0)));
    EXPECT_EQ(k.PrüfpunkteTotal(), 0);
    k.DataStore()->setValue(QStringLiteral("Anzahl Prüffelder"), Variant(Long(2)));
    k.DataStore()->setValue(QStringLiteral("Prüffeld Prüfpunktanzahl 1"),
                            Variant(Long(2147483647)));
    k.DataStore()->setValue(QStringLiteral("Prüffeld Prüfpunktanzahl 2"), Variant(Long(1)));
    EXPECT_EQ(errorNumberOf([&] { k.PrüfpunkteTotal(); }), rt::err::Overflow);
}

TEST(KalibrierungTest, MeasuredValuesAndTheirKeys) {
    Kalibrierung k;
    EXPECT_EQ(Kalibrierung::MesswertKey(pmDirekt, 2, 5),
              QStringLiteral("Messwert direktes Prüfmerkmal 2.5"));
    EXPECT_EQ(Kalibrierung::MesswertKey(pmIndirekt, 3, 12),
              QStringLiteral("Messwert indirektes Prüfmerkmal 3.12"));
    EXPECT_EQ(Kalibrierung::MesswertKey(PrüfmerkmalEnum(7), 1, 1),
              QStringLiteral("Messwert indirektes Prüfmerkmal 1.1"));

    k.setMesswert(pmIndirekt, 2, 5, Variant(u"1,5"));
    const Variant* stored =
        k.DataStore()->find(QStringLiteral("Messwert indirektes Prüfmerkmal 2.5"));
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(*stored, Variant(1.5));
    EXPECT_TRUE(k.IsDirty());
    EXPECT_EQ(errorNumberOf([&] { k.setMesswert(pmIndirekt, 2, 5, Variant(u"x")); }),
              rt::err::TypeMismatch);
    EXPECT_EQ(k.Messwert(pmIndirekt, 2, 5), Variant(1.5));

    k.setMesswert(pmDirekt, 1, 1, Variant(1234.565));
    EXPECT_EQ(k.MesswertString(pmDirekt, 1, 1), QStringLiteral("1.234,57"));
    k.DirektesPrüfmerkmal().setNachkommastellen(0);
    EXPECT_EQ(k.MesswertString(pmDirekt, 1, 1), QStringLiteral("1.235"));
    // Values as loaded from a file are text.
    k.DataStore()->setValue(QStringLiteral("Messwert direktes Prüfmerkmal 1.2"), Variant(u"98,5"));
    EXPECT_EQ(k.MesswertString(pmDirekt, 1, 2), QStringLiteral("99"));
    k.DataStore()->setValue(QStringLiteral("Messwert direktes Prüfmerkmal 1.3"), Variant::null());
    EXPECT_EQ(k.MesswertString(pmDirekt, 1, 3), QString());
    k.DataStore()->setValue(QStringLiteral("Direktes Prüfmerkmal Nachkommastellen"),
                            Variant(u"zwei"));
    EXPECT_EQ(k.MesswertString(pmDirekt, 1, 1), QStringLiteral("(Fehler)"));
    // Other characteristics show no decimals.
    EXPECT_EQ(k.MesswertString(PrüfmerkmalEnum(5), 2, 5), QStringLiteral("2"));
}

TEST(KalibrierungTest, NumberFormatsOfTheCharacteristics) {
    Kalibrierung k;
    EXPECT_EQ(k.MerkmalNumberFormat(mZ), QStringLiteral("#,##0"));
    EXPECT_EQ(k.MerkmalNumberFormat(mDirekt), QStringLiteral("#,##0.00"));
    k.DirektesPrüfmerkmal().setNachkommastellen(3);
    EXPECT_EQ(k.MerkmalNumberFormat(mDirekt), QStringLiteral("#,##0.000"));
    k.IndirektesPrüfmerkmal().setNachkommastellen(-1);
    EXPECT_EQ(k.MerkmalNumberFormat(mIndirekt), QStringLiteral("#,##0"));
    EXPECT_EQ(k.MerkmalNumberFormat(MerkmalEnum(9)), QStringLiteral("#,##0"));
}

TEST(PruefmerkmalTest, TypedViewsOnFourEntries) {
    Kalibrierung k;
    EXPECT_EQ(k.Kovariable().Bezeichung(), QStringLiteral("Anzahl der Übergänge Z"));
    EXPECT_EQ(k.Kovariable().Kalibrierung(), &k);
    const int before = k.DataStore()->count();
    EXPECT_EQ(k.DirektesPrüfmerkmal().Bezeichung(), QStringLiteral(" "));
    // Reading Name inserted its key (and Formelzeichen's) at the end.
    EXPECT_EQ(k.DataStore()->count(), before + 2);
    EXPECT_EQ(k.DataStore()->keys()[before], QStringLiteral("Direktes Prüfmerkmal Name"));

    k.IndirektesPrüfmerkmal().setName(QStringLiteral("Dynamischer Verformungsmodul"));
    k.IndirektesPrüfmerkmal().setFormelzeichen(QStringLiteral("EVD"));
    k.IndirektesPrüfmerkmal().setEinheit(QStringLiteral("MN/m²"));
    EXPECT_EQ(k.IndirektesPrüfmerkmal().Bezeichung(),
              QStringLiteral("Dynamischer Verformungsmodul EVD"));
    EXPECT_EQ(k.IndirektesPrüfmerkmal().Einheit(), QStringLiteral("MN/m²"));
    EXPECT_EQ(k.IndirektesPrüfmerkmal().Nachkommastellen(), 2);
    // The symbol with the unit, as column headers show it; no brackets
    // without a unit.
    EXPECT_EQ(k.IndirektesPrüfmerkmal().FormelzeichenMitEinheit(), QStringLiteral("EVD [MN/m²]"));
    EXPECT_EQ(k.Kovariable().FormelzeichenMitEinheit(), QStringLiteral("Z [-]"));
    EXPECT_EQ(k.DirektesPrüfmerkmal().FormelzeichenMitEinheit(), QString());
    k.DirektesPrüfmerkmal().setFormelzeichen(QStringLiteral("DPr"));
    k.DirektesPrüfmerkmal().setEinheit(QStringLiteral(" "));
    EXPECT_EQ(k.DirektesPrüfmerkmal().FormelzeichenMitEinheit(), QStringLiteral("DPr"));

    k.setIsDirty(false);
    k.IndirektesPrüfmerkmal().setEinheit(QStringLiteral("MN/m²"));
    EXPECT_FALSE(k.IsDirty());
    k.IndirektesPrüfmerkmal().setDataStore(QStringLiteral("Indirektes Prüfmerkmal Einheit"),
                                           Variant(u"kN"));
    EXPECT_TRUE(k.IsDirty());

    k.DataStore()->setValue(QStringLiteral("Kovariable Nachkommastellen"), Variant(u"x"));
    EXPECT_EQ(errorNumberOf([&] { k.Kovariable().Nachkommastellen(); }), rt::err::TypeMismatch);
    k.DataStore()->setValue(QStringLiteral("Kovariable Nachkommastellen"), Variant());
    EXPECT_EQ(k.Kovariable().Nachkommastellen(), 0);
    k.DataStore()->setValue(QStringLiteral("Kovariable Name"), Variant::null());
    EXPECT_EQ(errorNumberOf([&] { k.Kovariable().Name(); }), rt::err::InvalidUseOfNull);
}

TEST(HelpersTest, FormatNumberTextNullToStringNullToDoubleLog10) {
    EXPECT_EQ(FormatNumberText(Variant::null(), 2), QString());
    EXPECT_EQ(FormatNumberText(Variant(1234.5), 2), QStringLiteral("1.234,50"));
    EXPECT_EQ(FormatNumberText(Variant(1234.5), 0), QStringLiteral("1.235"));
    EXPECT_EQ(FormatNumberText(Variant(1234.5), -3), QStringLiteral("1.235"));
    EXPECT_EQ(FormatNumberText(Variant(0.6512), 2), QStringLiteral("0,65"));
    EXPECT_EQ(NullToString(Variant::null()), QString());
    EXPECT_EQ(NullToString(Variant(0.65)), QStringLiteral("0,65"));
    EXPECT_EQ(NullToDouble(Variant(u"0,65")), 0.65);
    EXPECT_EQ(NullToDouble(Variant()), 0.0);
    EXPECT_EQ(errorNumberOf([] { NullToDouble(Variant::null()); }), rt::err::TypeMismatch);
    EXPECT_TRUE(fuzzyEqual(Log10(1000.0), 3.0));
    EXPECT_EQ(errorNumberOf([] { Log10(0.0); }), rt::err::InvalidProcedureCall);
}

TEST(KalibrierungTest, AStepOfTheUserIsAnnouncedOnceAndCanBeUndone) {
    Kalibrierung k;
    QList<std::pair<QString, std::shared_ptr<const StoreChanges>>> steps;
    QObject::connect(&k, &Kalibrierung::Bearbeitet, [&](const QString& text, auto changes) {
        steps.append({text, changes});
    });
    {
        const Kalibrierung::Bearbeitung step(k, QStringLiteral("Messwert Prüffeld 2, Prüfpunkt 3"));
        {
            const Kalibrierung::Bearbeitung inner(k, QStringLiteral("innen"));
            k.setMesswert(pmDirekt, 2, 3, 97.5);
        }
        EXPECT_TRUE(steps.isEmpty()); // the inner one joins the outer step
        k.setMesswert(pmIndirekt, 2, 3, 41.0);
    }
    ASSERT_EQ(steps.size(), 1);
    EXPECT_EQ(steps[0].first, QStringLiteral("Messwert Prüffeld 2, Prüfpunkt 3"));
    // The unsaved mark is bookkeeping, not part of the step.
    EXPECT_EQ(steps[0].second->entries.size(), 2u);
    {
        const Kalibrierung::Bearbeitung nothing(k, QStringLiteral("nichts"));
        k.setMesswert(pmDirekt, 2, 3, 97.5); // the value it has
    }
    EXPECT_EQ(steps.size(), 1);

    QSignalSpy angewendet(&k, &Kalibrierung::Angewendet);
    k.anwenden(*steps[0].second, true);
    EXPECT_EQ(angewendet.count(), 1);
    EXPECT_FALSE(k.DataStore()->exists(Kalibrierung::MesswertKey(pmDirekt, 2, 3)));
    k.anwenden(*steps[0].second, false);
    EXPECT_EQ(k.Messwert(pmDirekt, 2, 3).toDouble(), 97.5);
    EXPECT_EQ(k.Messwert(pmIndirekt, 2, 3).toDouble(), 41.0);

    // An exception that leaves a step takes it back: nothing is announced,
    // and every key, in its place, and the unsaved mark are as before.
    k.setIsDirty(false);
    const QStringList keys = k.DataStore()->keys();
    QSignalSpy dirty(&k, &Kalibrierung::IsDirtyChanged);
    EXPECT_EQ(errorNumberOf([&] {
                  const Kalibrierung::Bearbeitung step(k, QStringLiteral("halb"));
                  k.MesswertEntfernen(pmDirekt, 2, 3);
                  k.setMesswert(pmDirekt, 2, 3, 12.0);
                  k.setMesswert(pmIndirekt, 2, 3, 13.0);
                  k.DataStore()->value(QStringLiteral("gelesen"));
                  const Kalibrierung::Bearbeitung inner(k, QStringLiteral("innen"));
                  k.setPrüffeldWert(7, 2.5);
                  rt::raiseError(rt::err::Overflow);
              }),
              rt::err::Overflow);
    EXPECT_EQ(steps.size(), 1);
    EXPECT_EQ(k.DataStore()->keys(), keys);
    EXPECT_EQ(k.Messwert(pmDirekt, 2, 3).toDouble(), 97.5);
    EXPECT_EQ(k.Messwert(pmIndirekt, 2, 3).toDouble(), 41.0);
    EXPECT_FALSE(k.IsDirty());
    EXPECT_EQ(dirty.count(), 2); // marked by the step, unmarked by its end
    EXPECT_EQ(angewendet.count(), 2);
    // The history still fits the calibration; a step applied to another
    // state is refused and changes nothing.
    k.anwenden(*steps[0].second, true);
    EXPECT_FALSE(k.DataStore()->exists(Kalibrierung::MesswertKey(pmDirekt, 2, 3)));
    EXPECT_EQ(errorNumberOf([&] { k.anwenden(*steps[0].second, true); }),
              rt::err::InvalidProcedureCall);
    EXPECT_EQ(angewendet.count(), 3);
    EXPECT_FALSE(k.DataStore()->exists(Kalibrierung::MesswertKey(pmIndirekt, 2, 3)));

    // An exception caught within the step leaves its changes to it; a step
    // begun while another exception passes by is a whole one.
    {
        const Kalibrierung::Bearbeitung step(k, QStringLiteral("ganz"));
        try {
            const Kalibrierung::Bearbeitung inner(k, QStringLiteral("innen"));
            k.setMesswert(pmDirekt, 2, 3, 14.0);
            rt::raiseError(rt::err::Overflow);
        } catch (const rt::RuntimeError&) {
        }
    }
    struct BeimAbbau {
        Kalibrierung& k;
        ~BeimAbbau() {
            const Kalibrierung::Bearbeitung step(k, QStringLiteral("beim Abbau"));
            k.setMesswert(pmDirekt, 2, 4, 15.0);
        }
    };
    EXPECT_EQ(errorNumberOf([&] {
                  const BeimAbbau abbau{k};
                  rt::raiseError(rt::err::Overflow);
              }),
              rt::err::Overflow);
    ASSERT_EQ(steps.size(), 3);
    EXPECT_EQ(steps[1].first, QStringLiteral("ganz"));
    EXPECT_EQ(steps[2].first, QStringLiteral("beim Abbau"));
    EXPECT_EQ(k.Messwert(pmDirekt, 2, 3).toDouble(), 14.0);
    EXPECT_EQ(k.Messwert(pmDirekt, 2, 4).toDouble(), 15.0);
}

// The report header: six entries with a prefix of their own, first in the
// editor's order, absent after Reset, read without adding keys.
TEST(ProtokolldatenTest, TheReportHeaderIsPartOfTheOneTable) {
    Kalibrierung k;
    EXPECT_EQ(k.DataStore()->count(), 41);
    const QStringList keys = ProtokollSchlüssel(k);
    ASSERT_GE(keys.size(), 6);
    EXPECT_EQ(keys.mid(0, 6), (QStringList{QStringLiteral("Protokoll Bericht Bauvorhaben"),
                                           QStringLiteral("Protokoll Bericht Auftraggeber"),
                                           QStringLiteral("Protokoll Bericht Prüfstelle"),
                                           QStringLiteral("Protokoll Bericht Bearbeiter"),
                                           QStringLiteral("Protokoll Bericht Berichtsnummer"),
                                           QStringLiteral("Protokoll Bericht Berichtsdatum")}));
    // Every old key still follows, in its old order.
    EXPECT_EQ(keys[6], QStringLiteral("Protokoll Verdichtung Unterlage Bodenart DIN 4022"));
    EXPECT_EQ(keys.last(), QStringLiteral("Protokoll Verdichtung Kalibrierfeld Bemerkungen"));
    EXPECT_EQ(keys.size(), 6 + 27 + 3);
    for (const QString& key : keys.mid(0, 6))
        EXPECT_FALSE(k.DataStore()->exists(key)) << key.toStdString();

    // The editor's labels: readable ones for the header, the key after its
    // prefix for the rest, per-field ones with their field.
    const std::vector<Protokolleintrag> einträge = ProtokollEinträge(k);
    ASSERT_EQ(einträge.size(), size_t(keys.size()));
    EXPECT_EQ(einträge[2].eintrag, QStringLiteral("Prüfstelle (Name und Anschrift)"));
    EXPECT_TRUE(einträge[2].angabe->mehrzeilig);
    EXPECT_EQ(einträge[5].eintrag, QStringLiteral("Berichtsdatum"));
    EXPECT_TRUE(einträge[5].angabe->datum);
    EXPECT_EQ(einträge[6].eintrag, QStringLiteral("Unterlage Bodenart DIN 4022"));
    EXPECT_EQ(einträge[6 + 20 + 1].eintrag,
              QStringLiteral("Kalibrierfeld Kovariable (Anzahl der Verdichtungsübergänge) - "
                             "Prüffeld 2"));
    EXPECT_EQ(einträge[6 + 20 + 1].feld, 2);
    int daten = 0;
    for (const Protokolleintrag& e : einträge)
        daten += e.angabe->datum ? 1 : 0;
    EXPECT_EQ(daten, 3);
    EXPECT_EQ(ProtokollBeschriftung(PrüfstelleSchlüssel), QStringLiteral("Bericht: Prüfstelle"));
    EXPECT_EQ(ProtokollBeschriftung(QStringLiteral("Protokoll Verdichtung Unterlage Wassergehalt")),
              QStringLiteral("Unterlage: Wassergehalt"));
    EXPECT_EQ(ProtokollBeschriftung(QStringLiteral("Protokoll Verdichtung Bericht Bauvorhaben")),
              QString());

    // The header in print order, empty while absent, never adding a key.
    QList<Berichtsangabe> kopf = Berichtskopf(k);
    ASSERT_EQ(kopf.size(), 6);
    QStringList labels;
    for (const Berichtsangabe& a : kopf) {
        labels.append(a.beschriftung);
        EXPECT_EQ(a.wert, QString());
    }
    EXPECT_EQ(labels,
              (QStringList{QStringLiteral("Bauvorhaben"), QStringLiteral("Auftraggeber"),
                           QStringLiteral("Prüfstelle"), QStringLiteral("Bearbeiter"),
                           QStringLiteral("Berichtsnummer"), QStringLiteral("Berichtsdatum")}));
    EXPECT_EQ(kopf[4].schlüssel, BerichtsnummerSchlüssel);
    EXPECT_EQ(k.DataStore()->count(), 41);
    k.DataStoreLet(BerichtsnummerSchlüssel, QStringLiteral("KB-2025/017"));
    k.DataStoreLet(PrüfstelleSchlüssel, QStringLiteral("Erdbaulabor Süd\nAm Damm 3\n80000 Ort"));
    k.DataStore()->setValue(BauvorhabenSchlüssel, Variant());
    kopf = Berichtskopf(k);
    EXPECT_EQ(kopf[4].wert, QStringLiteral("KB-2025/017"));
    EXPECT_EQ(kopf[2].wert, QStringLiteral("Erdbaulabor Süd\nAm Damm 3\n80000 Ort"));
    EXPECT_EQ(kopf[0].wert, QString()); // null reads empty
    EXPECT_EQ(kopf[2].schlüssel, PrüfstelleSchlüssel);
    EXPECT_EQ(k.DataStore()->count(), 44);
}

// Placeholders ("??", "XXX") in the entries the chosen protocol prints and
// empty header entries are listed under their editor labels.
TEST(ProtokolldatenTest, UnfilledEntriesAreListed) {
    Kalibrierung k;
    const QStringList header = {QStringLiteral("Bauvorhaben"),
                                QStringLiteral("Auftraggeber"),
                                QStringLiteral("Prüfstelle (Name und Anschrift)"),
                                QStringLiteral("Bearbeiter"),
                                QStringLiteral("Berichtsnummer"),
                                QStringLiteral("Berichtsdatum")};
    const QStringList seeded = {QStringLiteral("Unterlage Wassergehalt"),
                                QStringLiteral("Unterlage Trockendichte"),
                                QStringLiteral("Unterlage Proctordichte"),
                                QStringLiteral("Unterlage Verdichtungsgrad"),
                                QStringLiteral("Kalibrierfeld Geometrie"),
                                QStringLiteral("Kalibrierfeld Schütthöhe"),
                                QStringLiteral("Kalibrierfeld Proctordichte"),
                                QStringLiteral("Kalibrierfeld Grenzwassergehalt"),
                                QStringLiteral("Kalibrierfeld optimaler Wassergehalt"),
                                QStringLiteral("Kalibrierfeld Fahrgeschwindigkeit Walze"),
                                QStringLiteral("Kalibrierfeld Verdichtungsamplitude Walze"),
                                QStringLiteral("Kalibrierfeld Verdichtungsfrequenz Walze"),
                                QStringLiteral("Kalibrierfeld Datum bei Verdichtung"),
                                QStringLiteral("Kalibrierfeld Temperatur bei Verdichtung"),
                                QStringLiteral("Kalibrierfeld Datum bei Prüfung"),
                                QStringLiteral("Kalibrierfeld Temperatur bei Prüfung")};
    EXPECT_EQ(UnfertigeProtokolldaten(k, 0), header + seeded);
    EXPECT_EQ(UnfertigeProtokolldaten(k), header + seeded);
    // Type 1 prints the header only.
    EXPECT_EQ(UnfertigeProtokolldaten(k, 1), header);
    EXPECT_EQ(k.DataStore()->count(), 41); // nothing was added

    // Filled: gone from the list; blanks are no value; "XXX" and "??"
    // count anywhere; an empty entry that is not required is no gap.
    for (const Protokolleintrag& e : ProtokollEinträge(k))
        if (e.angabe->block == BlockBericht)
            k.DataStoreLet(e.schlüssel, QStringLiteral("gefüllt"));
    k.DataStoreLet(BearbeiterSchlüssel, QStringLiteral("  \n "));
    for (const QString& label : seeded)
        k.DataStoreLet(ProtokollPräfix + label, QStringLiteral("1"));
    k.DataStoreLet(QStringLiteral("Protokoll Verdichtung Unterlage Bemerkungen"),
                   QStringLiteral("Probe XXX fehlt"));
    k.DataStoreLet(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Kovariable (Anzahl der "
                                  "Verdichtungsübergänge) - Prüffeld 2"),
                   QStringLiteral("4 ?? Übergänge"));
    EXPECT_EQ(text(k, QStringLiteral("Protokoll Verdichtung Unterlage Bodenart DIN 4022")),
              QString());
    EXPECT_EQ(UnfertigeProtokolldaten(k, 0),
              (QStringList{QStringLiteral("Bearbeiter"), QStringLiteral("Unterlage Bemerkungen"),
                           QStringLiteral("Kalibrierfeld Kovariable (Anzahl der "
                                          "Verdichtungsübergänge) - Prüffeld 2")}));
    EXPECT_EQ(UnfertigeProtokolldaten(k, 1), QStringList{QStringLiteral("Bearbeiter")});
    k.DataStoreLet(BearbeiterSchlüssel, QStringLiteral("M. Muster"));
    k.DataStoreLet(QStringLiteral("Protokoll Verdichtung Unterlage Bemerkungen"),
                   QStringLiteral("xxx ? keine"));
    EXPECT_EQ(UnfertigeProtokolldaten(k, 0),
              QStringList{QStringLiteral("Kalibrierfeld Kovariable (Anzahl der "
                                         "Verdichtungsübergänge) - Prüffeld 2")});
    EXPECT_TRUE(UnfertigeProtokolldaten(k, 1).isEmpty());
    // A field the calibration does not have is not printed.
    k.DataStoreLet(QStringLiteral("Protokoll Verdichtung Kalibrierfeld Kovariable (Anzahl der "
                                  "Verdichtungsübergänge) - Prüffeld 2"),
                   QStringLiteral("4"));
    const QString vierter = QStringLiteral("Kalibrierfeld Kovariable (Anzahl der "
                                           "Verdichtungsübergänge) - Prüffeld 4");
    k.DataStoreLet(ProtokollPräfix + vierter, QStringLiteral("??"));
    EXPECT_TRUE(UnfertigeProtokolldaten(k, 0).isEmpty());
    k.setPrüffelderAnzahl(4);
    EXPECT_EQ(UnfertigeProtokolldaten(k, 0), QStringList{vierter});
}
