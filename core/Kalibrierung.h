#pragma once

#include "DataStore.h"
#include "Pruefmerkmal.h"
#include "basKalibrierungVelmorTeilE4.h"

#include "PropertyBag.h"
#include "Variant.h"

#include <QObject>

#include <memory>

struct StatistikCache;
struct MerkmalWerte;

// One calibration. Every value lives in its DataStore; the members below are
// typed views on its entries, built from a fixed key scheme.
class Kalibrierung : public QObject {
    Q_OBJECT

public:
    explicit Kalibrierung(QObject* parent = nullptr);
    ~Kalibrierung() override;

    // ---- store and key scheme -------------------------------------------
    void Reset();
    std::shared_ptr<::DataStore> DataStore() const { return m_store; }
    // Checked write: stores Value and marks the calibration dirty only when
    // the value's text differs from the current one.
    void DataStoreLet(const QString& Key, const rt::Variant& Value);

    bool IsDirty() const;
    void setIsDirty(bool value);

    // ---- steps for undo ----------------------------------------------------
    // A change the user makes: from its construction to its end every change
    // of the store belongs to one step named text, announced by Bearbeitet
    // when the step changed something. Nested ones join the outermost. An
    // exception that leaves the outermost one takes the step back: the
    // calibration is as it was before, and no step is announced.
    class Bearbeitung {
    public:
        Bearbeitung(Kalibrierung& k, const QString& text);
        ~Bearbeitung();
        Bearbeitung(const Bearbeitung&) = delete;
        Bearbeitung& operator=(const Bearbeitung&) = delete;

    private:
        Kalibrierung& m_k;
        // What the outermost one keeps of the calibration as it began.
        bool m_äußere;
        // The exceptions in flight then: one more at the end is one leaving.
        int m_ausnahmen = 0;
        QString m_text;
        quint64 m_änderungenBeiBeginn = 0;
        bool m_dirtyBeiBeginn = false;
    };
    // Puts a step's keys back to their state before (undo) or after (redo);
    // error 5, changing nothing, when they do not hold the state it leaves.
    void anwenden(const StoreChanges& changes, bool undo);

    rt::Long PrüffelderAnzahl() const;
    void setPrüffelderAnzahl(rt::Long value);

    Prüfmerkmal& DirektesPrüfmerkmal() const { return *m_direkt; }
    Prüfmerkmal& IndirektesPrüfmerkmal() const { return *m_indirekt; }
    Prüfmerkmal& Kovariable() const { return *m_kovariable; }
    // The characteristics of the most common calibration: Verdichtungsgrad
    // DPr in % (direct) and Dynamischer Verformungsmodul EVD in MN/m² (indirect).
    void setDPrUndEVD();

    rt::Long PrüffeldPrüfpunkte(rt::Long Prüffeld) const;
    void setPrüffeldPrüfpunkte(rt::Long Prüffeld, rt::Long value);
    // The points of all fields. Error 6 when the sum overflows; error 7 when
    // the fields or points are more than a calibration can hold (MaxPrüfpunkte),
    // so that everything that walks them answers a damaged file in bounded
    // time and memory. Walkers call it before they start.
    rt::Long PrüfpunkteTotal() const;
    // What one calibration can hold: this many fields, and this many points in
    // all fields together. Real calibrations have up to 100 fields of 100 points.
    static constexpr rt::Long MaxPrüfpunkte = 100'000;
    // A calibration has MinPrüffelder to MaxPrüffelder fields (the wizard and
    // the import take no more), each of at least MinPrüfpunkte points.
    static constexpr rt::Long MinPrüffelder = 3;
    static constexpr rt::Long MaxPrüffelder = 100;
    static constexpr rt::Long MinPrüfpunkte = 3;
    // The largest file that is read, a calibration or an import's table: a
    // calibration of MaxPrüfpunkte points has about 17 MB; a larger file is
    // refused before it is read, so that loading stays within bounded memory.
    static constexpr qint64 MaxDateigröße = 64 * 1024 * 1024;
    // The most records a calibration file may hold: one at its limits has
    // about 300,000 keys (two values per point, three entries per field of
    // at least three points), a real one some 20,000. Reading stops beyond,
    // so that a file of many small records cannot fill the memory.
    static constexpr qint64 MaxDatensätze = 400'000;
    // Why the counts and numbers are not what a calibration holds, in
    // German; "" when they are: counts beyond the limits (PrüfpunkteTotal
    // raises 6 or 7), counts below the minimums or not whole numbers, field
    // and measured values that are present but no finite number.
    QString Inhaltsfehler() const;

    static QString MesswertKey(PrüfmerkmalEnum Prüfmerkmal, rt::Long Messreihe, rt::Long Prüfpunkt);
    // Appends MesswertKey to key (no allocation once key has room).
    static void appendMesswertKey(QString& key, PrüfmerkmalEnum Prüfmerkmal, rt::Long Messreihe,
                                  rt::Long Prüfpunkt);
    rt::Variant Messwert(PrüfmerkmalEnum Prüfmerkmal, rt::Long Messreihe, rt::Long Prüfpunkt) const;
    void setMesswert(PrüfmerkmalEnum Prüfmerkmal, rt::Long Messreihe, rt::Long Prüfpunkt,
                     const rt::Variant& value);
    QString MesswertString(PrüfmerkmalEnum Prüfmerkmal, rt::Long Messreihe,
                           rt::Long Prüfpunkt) const;
    // Empties a measured value: the calibration no longer holds it.
    void MesswertEntfernen(PrüfmerkmalEnum Prüfmerkmal, rt::Long Messreihe, rt::Long Prüfpunkt);

    double PrüffeldWert(rt::Long Prüffeld) const;
    void setPrüffeldWert(rt::Long Prüffeld, double value);

    static QString PrüfpunktKey(rt::Long Prüfpunkt);
    // Removes every field and measured value (counts, covariable values,
    // values of every field and point), to make room for others.
    void MessreihenEntfernen();
    QString MerkmalNumberFormat(MerkmalEnum Merkmal) const;

    // ---- statistics options ---------------------------------------------
    rt::Long NachkommastellenMittelwerte() const;
    void setNachkommastellenMittelwerte(rt::Long value);
    rt::Long NachkommastellenVarianzen() const;
    void setNachkommastellenVarianzen(rt::Long value);
    rt::Long NachkommastellenStandardabweichung() const;
    void setNachkommastellenStandardabweichung(rt::Long value);
    rt::Long NachkommastellenKovarianzen() const;
    void setNachkommastellenKovarianzen(rt::Long value);
    rt::Long NachkommastellenBestimmtheitsmaße() const;
    void setNachkommastellenBestimmtheitsmaße(rt::Long value);
    rt::Long NachkommastellenAnstieg() const;
    void setNachkommastellenAnstieg(rt::Long value);
    rt::Long NachkommastellenAchsenabschnitt() const;
    void setNachkommastellenAchsenabschnitt(rt::Long value);
    bool ZwischenergebnisseRunden() const;
    void setZwischenergebnisseRunden(bool value);
    double MinBestimmtheitsmaßIndirektDirekt() const;
    void setMinBestimmtheitsmaßIndirektDirekt(double value);

    // ---- statistics ------------------------------------------------------
    // Returns value unchanged, or rounded half to even at d decimals when
    // intermediate results are rounded.
    double RoundIntermediate(double value, rt::Long d) const;

    double StatistikMittelwert(MerkmalEnum Merkmal) const;
    QString StatistikMittelwertString(MerkmalEnum Merkmal) const;
    double StatistikVarianz(MerkmalEnum Merkmal) const;
    QString StatistikVarianzString(MerkmalEnum Merkmal) const;
    double StatistikStandardabweichung(MerkmalEnum Merkmal) const;
    QString StatistikStandardabweichungString(MerkmalEnum Merkmal) const;
    double StatistikKovarianz(MerkmalEnum MerkmalX, MerkmalEnum MerkmalY) const;
    QString StatistikKovarianzString(MerkmalEnum MerkmalX, MerkmalEnum MerkmalY) const;
    double StatistikBestimmtheitsmaß(MerkmalEnum MerkmalX, MerkmalEnum MerkmalY) const;
    QString StatistikBestimmtheitsmaßString(MerkmalEnum MerkmalX, MerkmalEnum MerkmalY) const;
    double StatistikKalibriergeradeAnstieg(MerkmalEnum MerkmalX, MerkmalEnum MerkmalY) const;
    QString StatistikKalibriergeradeAnstiegString(MerkmalEnum MerkmalX, MerkmalEnum MerkmalY) const;
    double StatistikKalibriergeradeAchsenabschnitt(MerkmalEnum MerkmalX,
                                                   MerkmalEnum MerkmalY) const;
    QString StatistikKalibriergeradeAchsenabschnittString(MerkmalEnum MerkmalX,
                                                          MerkmalEnum MerkmalY) const;
    bool StatistikBestimmtheitsmaßIndirektDirektOk() const;

    // ---- calibration file ------------------------------------------------
    // Writes the whole store as an XML recordset; the target must not exist.
    void SaveFile(const QString& FilePath) const;
    // The same, replacing an existing target in one step once the new file
    // is complete, with the old one's mode, owner, ACL and attributes; on
    // failure the old file is kept. A read-only file of the caller's is
    // replaced too unless ReadOnlyToo is false (an output of the command line).
    void ReplaceFile(const QString& FilePath, bool ReadOnlyToo = true) const;
    // Replaces the calibration by a file's content. The file is read and
    // checked completely first; on any failure the calibration is unchanged.
    void LoadFile(const QString& FilePath);
    QByteArray ContentString() const;
    void setContentString(const QByteArray& value);
    void WriteProperties(rt::PropertyBag& bag) const;
    void ReadProperties(const rt::PropertyBag& bag);

    // ---- windows -----------------------------------------------------------
    // Each creates a new window through the registered Fensterfabrik (error
    // 91 when none is registered) and shows it modal or modeless, with
    // ParentForm as owner when given. ShowAssistent raises BeforeShowAssistent
    // with the window before it is shown.
    void ShowAssistent(bool Modal = false, QObject* ParentForm = nullptr);
    void ShowInfo(bool Modal = false, QObject* ParentForm = nullptr);
    void ShowCalcOptions(bool Modal = false, QObject* ParentForm = nullptr);
    void ShowProtocollExtraData(bool Modal = false, QObject* ParentForm = nullptr);

signals:
    void IsDirtyChanged();
    // A step of the user changed the store.
    void Bearbeitet(const QString& text, std::shared_ptr<const StoreChanges> changes);
    // The store was put back to a step's state: views refresh from it.
    void Angewendet();
    void BeforeShowAssistent(QObject* AssistentForm);

private:
    rt::Long nachkommastellen(const QString& key) const;
    void ShowForm(QObject* Form, bool Modal, QObject* ParentForm);
    // The cache of values read from the store, emptied when the store or the
    // user locale changed since it was filled.
    StatistikCache& cache() const;
    rt::Long zählePrüfpunkte() const;
    QString Zahlenfehler() const;
    // Marks what the cache holds as read from the store as it is now (reading
    // may have inserted keys by plain reads; what was read stays valid).
    void cacheIsCurrent() const;
    // The values of a characteristic over all fields and points, cached per
    // store revision and user locale; raises the error reading them raised.
    std::shared_ptr<const MerkmalWerte> werte(MerkmalEnum Merkmal) const;

    std::shared_ptr<::DataStore> m_store;
    std::unique_ptr<Prüfmerkmal> m_direkt;
    std::unique_ptr<Prüfmerkmal> m_indirekt;
    std::unique_ptr<Prüfmerkmal> m_kovariable;
    mutable std::unique_ptr<StatistikCache> m_cache;
    int m_bearbeitungen = 0;
    // Counts the writes that mark the calibration changed: a step without
    // one only seeded defaults and is no step of the user.
    quint64 m_änderungen = 0;
};
