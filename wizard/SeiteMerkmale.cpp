#include "SeiteMerkmale.h"

#include "FieldChecks.h"
#include "UpDown.h"

#include "Kalibrierung.h"
#include "MessageService.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

// The locale-independent number prefix of a text, rounded half to even.
rt::Long zahl(const QString& text) {
    return rt::toLong(rt::val(text));
}

// Why a typed count or number of decimals cannot be stored, or "": a number
// that reads two ways, or one no whole number of the calibration can hold
// (the text itself is read Val-style, as the commit reads it).
QString unlesbar(const QString& text) {
    QString reason;
    const std::optional<double> typed = rt::parseTypedNumber(text, &reason);
    if (!typed && rt::isNumericText(text))
        return reason;
    // "2,9" or "3.000" would be stored as 2 or 3: refused, never cut.
    if (typed && *typed != std::floor(*typed))
        return QStringLiteral("ist keine ganze Zahl");
    if (typed && *typed != rt::val(text))
        return QStringLiteral("ist keine eindeutige ganze Zahl (bitte ohne Tausenderpunkt)");
    try {
        rt::toLong(rt::val(text));
    } catch (const rt::RuntimeError&) {
        return QStringLiteral("ist zu groß");
    }
    return QString();
}

// A check that fails when the text, trimmed, is empty.
std::function<bool()> nichtLeer(QComboBox* combo, const QString& message) {
    return [combo, message] {
        if (!combo->currentText().trimmed().isEmpty())
            return true;
        showMessage(combo->window(), message, MessageService::Warning);
        return false;
    };
}

} // namespace

SeiteMerkmale::SeiteMerkmale(Kalibrierung& k, FieldChecks& checks, QWidget* parent)
    : Seite(k, 1, QStringLiteral("Schritt 1: Festlegen der Eingangsparameter"), parent) {
    m_presets.push_back({}); // index 0 stays empty

    const Gruppe direkt = gruppe(
        QStringLiteral("Frame1"), QStringLiteral("Direktes Prüfmerkmal"),
        QStringLiteral("cboDirektesPrüfmerkmal"), QStringLiteral("cboDirektesPrüfmerkmalZeichen"),
        QStringLiteral("cboDirektesPrüfmerkmalEinheit"),
        QStringLiteral("txtDirektesPrüfmerkmalStellen"),
        QStringLiteral("udDirektesPrüfmerkmalStellen"), 1, &Kalibrierung::DirektesPrüfmerkmal);
    const Gruppe indirekt = gruppe(
        QStringLiteral("Frame2"), QStringLiteral("Indirektes Prüfmerkmal"),
        QStringLiteral("cboIndirektesPrüfmerkmal"),
        QStringLiteral("cboIndirektesPrüfmerkmalZeichen"),
        QStringLiteral("cboIndirektesPrüfmerkmalEinheit"),
        QStringLiteral("txtIndirektesPrüfmerkmalStellen"),
        QStringLiteral("udIndirektesPrüfmerkmalStellen"), 1, &Kalibrierung::IndirektesPrüfmerkmal);
    const Gruppe kovariable =
        gruppe(QStringLiteral("Frame3"), QStringLiteral("Kovariable"),
               QStringLiteral("cboMessreihe"), QStringLiteral("cboMessreiheZeichen"),
               QStringLiteral("cboMessreiheEinheit"), QStringLiteral("txtMessreiheStellen"),
               QStringLiteral("UpDown1"), 0, &Kalibrierung::Kovariable);
    m_gruppen = {direkt, indirekt, kovariable};

    Frame1 = direkt.frame;
    cboDirektesPrüfmerkmal = direkt.name;
    cboDirektesPrüfmerkmalZeichen = direkt.zeichen;
    cboDirektesPrüfmerkmalEinheit = direkt.einheit;
    txtDirektesPrüfmerkmalStellen = direkt.stellen;
    udDirektesPrüfmerkmalStellen = direkt.upDown;
    Frame2 = indirekt.frame;
    cboIndirektesPrüfmerkmal = indirekt.name;
    cboIndirektesPrüfmerkmalZeichen = indirekt.zeichen;
    cboIndirektesPrüfmerkmalEinheit = indirekt.einheit;
    txtIndirektesPrüfmerkmalStellen = indirekt.stellen;
    udIndirektesPrüfmerkmalStellen = indirekt.upDown;
    Frame3 = kovariable.frame;
    cboMessreihe = kovariable.name;
    cboMessreiheZeichen = kovariable.zeichen;
    cboMessreiheEinheit = kovariable.einheit;
    txtMessreiheStellen = kovariable.stellen;
    UpDown1 = kovariable.upDown;

    // The number of test fields, in the covariable's frame.
    txtMessreihen = new QLineEdit(Frame3);
    txtMessreihen->setObjectName(QStringLiteral("txtMessreihen"));
    txtMessreihen->setToolTip(QStringLiteral("Anzahl der Prüffelder (Messreihen), mindestens 3; "
                                             "Pfeiltasten ändern sie um 1"));
    txtMessreihen->setText(QStringLiteral("3"));
    txtMessreihen->setFixedWidth(130 - 16);
    udMessreihen = new UpDown(Frame3);
    udMessreihen->setObjectName(QStringLiteral("udMessreihen"));
    udMessreihen->setRange(Kalibrierung::MinPrüffelder, Kalibrierung::MaxPrüffelder);
    udMessreihen->setBuddy(txtMessreihen);
    txtMessreihen->installEventFilter(this);
    // What is typed stays as typed; only a number above the maximum is cut to it.
    connect(txtMessreihen, &QLineEdit::textEdited, this, [this](const QString& text) {
        try {
            if (rt::val(text) > udMessreihen->Max())
                txtMessreihen->setText(QString::number(udMessreihen->Max()));
        } catch (const rt::RuntimeError&) {
            // an unreadable number stays as typed
        }
    });
    for (auto signal : {&UpDown::UpClick, &UpDown::DownClick})
        connect(udMessreihen, signal, this,
                [this] { feldFertig(QStringLiteral("Anzahl der Prüffelder")); });
    connect(txtMessreihen, &QLineEdit::editingFinished, this,
            [this] { feldFertig(QStringLiteral("Anzahl der Prüffelder")); });
    auto* grid = static_cast<QGridLayout*>(Frame3->layout());
    auto* label = new QLabel(QStringLiteral("Anzahl der Prüffelder:"), Frame3);
    label->setBuddy(txtMessreihen);
    const int row = grid->rowCount();
    grid->addWidget(label, row, 2);
    auto* box = new QHBoxLayout;
    box->setSpacing(0);
    box->addWidget(txtMessreihen);
    box->addWidget(udMessreihen);
    grid->addLayout(box, row, 3);

    // Presets, group by group in this order.
    registerPreset(direkt, QStringLiteral("Verdichtungsgrad"), QStringLiteral("DPr"),
                   QStringLiteral("%"));
    registerPreset(direkt, QStringLiteral("Verformungsmodul"), QStringLiteral("EV2"),
                   QStringLiteral("MN/m²"));
    registerPreset(indirekt, QStringLiteral("Verdichtungsgrad"), QStringLiteral("DPr"),
                   QStringLiteral("%"));
    registerPreset(indirekt, QStringLiteral("Verformungsmodul"), QStringLiteral("EV2"),
                   QStringLiteral("MN/m²"));
    registerPreset(indirekt, QStringLiteral("Dynamischer Verformungsmodul"), QStringLiteral("EVD"),
                   QStringLiteral("MN/m²"));
    registerPreset(indirekt,
                   QStringLiteral("Messwert Flächendeckende Dynamische Verdichtungskontrolle"),
                   QStringLiteral("F"), QStringLiteral("-"));
    registerPreset(kovariable, QStringLiteral("Anzahl der Übergänge"), QStringLiteral("Z"),
                   QStringLiteral("-"));
    for (const Gruppe& g : m_gruppen)
        for (QComboBox* c : {g.name, g.zeichen, g.einheit})
            c->setCurrentIndex(-1);

    // The field checks, in the order they run when going forward.
    const std::pair<QComboBox*, const char*> texts[] = {
        {cboDirektesPrüfmerkmal, "Bitte geben Sie ein Direktes Prüfmerkmal an."},
        {cboDirektesPrüfmerkmalZeichen,
         "Bitte geben Sie ein gültiges Formelzeichen für das direkte Prüfmerkmal an."},
        {cboDirektesPrüfmerkmalEinheit,
         "Bitte geben Sie ein gültige Einheit für das direkte Prüfmerkmal an."},
        {cboIndirektesPrüfmerkmal, "Bitte geben Sie ein Indirektes Prüfmerkmal an."},
        {cboIndirektesPrüfmerkmalZeichen,
         "Bitte geben Sie ein gültiges Formelzeichen für das indirekte Prüfmerkmal an."},
        {cboIndirektesPrüfmerkmalEinheit,
         "Bitte geben Sie ein gültige Einheit für das indirekte Prüfmerkmal an."},
        {cboMessreihe, "Bitte geben Sie eine Messreihe an."},
        {cboMessreiheZeichen, "Bitte geben Sie ein gültiges Formelzeichen für die Messreihen an."},
        {cboMessreiheEinheit, "Bitte geben Sie ein gültige Einheit für die Messreihen an."},
    };
    for (const auto& [combo, message] : texts) {
        m_checks.push_back(nichtLeer(combo, QString::fromUtf8(message)));
        checks.addCheck(combo, m_checks.back());
    }
    m_checks.push_back([this] {
        double value = 0;
        try {
            value = rt::val(txtMessreihen->text());
        } catch (const rt::RuntimeError&) {
            value = 0;
        }
        const QString text = txtMessreihen->text();
        // A count that reads two ways ("1.000", "10.5") or is too large is
        // refused as well.
        const QString reason = unlesbar(text);
        if (value >= Kalibrierung::MinPrüffelder && reason.isEmpty())
            return true;
        QString message = QStringLiteral("Bitte geben Sie eine gültige Anzahl der Messreihen an "
                                         "(Mindeswert: 3 Messreihen).");
        if (!reason.isEmpty())
            message += u'\n' + rt::typedNumberMessage(
                                   text, QStringLiteral("im Feld „Anzahl der Prüffelder“"), reason);
        showMessage(window(), message, MessageService::Warning);
        return false;
    });
    m_anzahlPrüfen = m_checks.back();
    checks.addCheck(txtMessreihen, m_anzahlPrüfen);
    for (const Gruppe& g : m_gruppen) {
        QLineEdit* stellen = g.stellen;
        const QString feld =
            QStringLiteral("im Feld „Nachkommastellen“ (%1)").arg(g.frame->title());
        m_checks.push_back([stellen, feld] {
            const QString text = stellen->text();
            QString reason = unlesbar(text);
            if (rt::parseTypedNumber(text) && reason.isEmpty())
                return true;
            QString message = QStringLiteral("Bitte geben Sie eine gültige Stellenanzahl an.");
            // A number that reads two ways, or is too large, says why.
            if (!reason.isEmpty())
                message += u'\n' + rt::typedNumberMessage(text, feld, reason);
            showMessage(stellen->window(), message, MessageService::Warning);
            return false;
        });
        checks.addCheck(stellen, m_checks.back());
        for (QComboBox* c : {g.name, g.zeichen, g.einheit})
            checks.addLostFocus(c, [this, g] { completeFromPreset(g); });
    }

    QVBoxLayout* v = inhalt();
    v->addWidget(Frame1);
    v->addWidget(Frame2);
    v->addWidget(Frame3);
    v->addStretch(1);
}

SeiteMerkmale::Gruppe SeiteMerkmale::gruppe(const QString& frameName, const QString& title,
                                            const QString& name, const QString& zeichen,
                                            const QString& einheit, const QString& stellen,
                                            const QString& upDown, int design,
                                            Prüfmerkmal& (Kalibrierung::*merkmal)() const) {
    Gruppe g{};
    g.merkmal = merkmal;
    g.frame = new QGroupBox(title, this);
    g.frame->setObjectName(frameName);
    auto combo = [&g](const QString& objectName) {
        auto* c = new QComboBox(g.frame);
        c->setObjectName(objectName);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setCompleter(nullptr); // no completion while typing: the text is what was typed
        return c;
    };
    g.name = combo(name);
    g.zeichen = combo(zeichen);
    g.einheit = combo(einheit);
    g.name->setToolTip(QStringLiteral("Name des Merkmals, zum Beispiel „%1“; aus der Liste oder "
                                      "frei eingegeben")
                           .arg(title == QStringLiteral("Kovariable")
                                    ? QStringLiteral("Anzahl der Übergänge")
                                    : QStringLiteral("Verdichtungsgrad")));
    g.zeichen->setToolTip(QStringLiteral("Formelzeichen, zum Beispiel „DPr“, „EVD“ oder „Z“; "
                                         "ein bekanntes ergänzt Name und Einheit"));
    g.einheit->setToolTip(QStringLiteral("Einheit, zum Beispiel „%“ oder „MN/m²“; „-“ für ohne "
                                         "Einheit"));
    g.stellen = new QLineEdit(g.frame);
    g.stellen->setObjectName(stellen);
    g.stellen->setToolTip(QStringLiteral("Mit so vielen Nachkommastellen werden die Werte "
                                         "angezeigt, eingegeben und gespeichert (0 bis 10)"));
    g.stellen->setText(QString::number(design));
    g.upDown = new UpDown(g.frame);
    g.upDown->setObjectName(upDown);
    g.upDown->setRange(0, 10);
    g.upDown->setBuddy(g.stellen);
    g.upDown->setArrowKeys(true);

    auto* grid = new QGridLayout(g.frame);
    auto add = [&](const QString& caption, QWidget* field, int row, int col) {
        auto* label = new QLabel(caption, g.frame);
        label->setBuddy(field);
        grid->addWidget(label, row, col);
        grid->addWidget(field, row, col + 1);
    };
    add(QStringLiteral("Name:"), g.name, 0, 0);
    add(QStringLiteral("Formelzeichen:"), g.zeichen, 0, 2);
    add(QStringLiteral("Einheit:"), g.einheit, 1, 0);
    auto* label = new QLabel(QStringLiteral("Nachkommastellen:"), g.frame);
    label->setBuddy(g.stellen);
    grid->addWidget(label, 1, 2);
    auto* box = new QHBoxLayout;
    box->setSpacing(0);
    box->addWidget(g.stellen);
    box->addWidget(g.upDown);
    grid->addLayout(box, 1, 3);
    grid->setColumnStretch(1, 1);
    for (const auto& [field, caption] :
         {std::pair<QComboBox*, QString>{g.name, QStringLiteral("Name")},
          {g.zeichen, QStringLiteral("Formelzeichen")},
          {g.einheit, QStringLiteral("Einheit")}}) {
        const QString text = title + QStringLiteral(", ") + caption;
        connect(field->lineEdit(), &QLineEdit::editingFinished, this,
                [this, text] { feldFertig(text); });
        connect(field, &QComboBox::activated, this, [this, text] { feldFertig(text); });
    }
    const QString stellenText = title + QStringLiteral(", Nachkommastellen");
    connect(g.stellen, &QLineEdit::editingFinished, this,
            [this, stellenText] { feldFertig(stellenText); });
    for (auto signal : {&UpDown::UpClick, &UpDown::DownClick})
        connect(g.upDown, signal, this, [this, stellenText] { feldFertig(stellenText); });
    // The right-hand columns line up in all three frames.
    const int labels = fontMetrics().horizontalAdvance(QStringLiteral("Anzahl der Prüffelder:_"));
    grid->setColumnMinimumWidth(2, labels);
    g.zeichen->setFixedWidth(130);
    g.stellen->setFixedWidth(130 - 16);
    return g;
}

void SeiteMerkmale::registerPreset(const Gruppe& g, const QString& name, const QString& symbol,
                                   const QString& unit) {
    const bool known = std::any_of(m_presets.begin() + 1, m_presets.end(),
                                   [&](const Preset& p) { return p.Name == name; });
    if (!known)
        m_presets.push_back({name, unit, symbol});
    g.name->addItem(name);
    g.zeichen->addItem(symbol);
    g.einheit->addItem(unit);
}

void SeiteMerkmale::completeFromPreset(const Gruppe& g) {
    const QString name = g.name->currentText();
    const QString symbol = g.zeichen->currentText();
    const QString unit = g.einheit->currentText();
    if (int(!name.isEmpty()) + int(!symbol.isEmpty()) + int(!unit.isEmpty()) != 1)
        return;
    for (size_t i = 1; i < m_presets.size(); ++i) {
        const Preset& p = m_presets[i];
        if (!name.isEmpty() && name == p.Name) {
            g.zeichen->setEditText(p.Formelzeichen);
            g.einheit->setEditText(p.Einheit);
            return;
        }
        if (!symbol.isEmpty() && symbol == p.Formelzeichen) {
            g.name->setEditText(p.Name);
            g.einheit->setEditText(p.Einheit);
            return;
        }
        if (!unit.isEmpty() && unit == p.Einheit) {
            g.name->setEditText(p.Name);
            g.zeichen->setEditText(p.Formelzeichen);
            return;
        }
    }
}

bool SeiteMerkmale::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtMessreihen && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        messreihenKey(key);
        if (key == Qt::Key_Up || key == Qt::Key_Down)
            return true; // consumed
    }
    return Seite::eventFilter(watched, event);
}

// Up and Down step the number of fields within the up-down's range; other
// keys leave the number as it is.
void SeiteMerkmale::messreihenKey(int key) {
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return;
    try {
        const rt::Long present = zahl(txtMessreihen->text());
        qint64 number = present + (key == Qt::Key_Up ? 1 : -1);
        number = std::clamp<qint64>(number, udMessreihen->Min(), udMessreihen->Max());
        if (number != present)
            txtMessreihen->setText(QString::number(number));
    } catch (const rt::RuntimeError&) {
        // an unreadable number stays as typed
    }
}

bool SeiteMerkmale::eingabeBeenden() {
    // A number of fields the calibration cannot take is refused before a
    // command stores the page, not shown while the file keeps another.
    if (!zahlenLesbar())
        return false;
    if (!m_anzahlPrüfen()) {
        txtMessreihen->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

bool SeiteMerkmale::zahlenLesbar() {
    // Whatever the direction, a number that cannot be stored is not dropped:
    // the command that would store the page hears why.
    for (QLineEdit* box : {txtMessreihen, txtDirektesPrüfmerkmalStellen,
                           txtIndirektesPrüfmerkmalStellen, txtMessreiheStellen}) {
        const QString reason = unlesbar(box->text());
        if (reason.isEmpty())
            continue;
        showMessage(window(),
                    rt::typedNumberMessage(box->text(),
                                           QStringLiteral("im Feld „%1“")
                                               .arg(box == txtMessreihen
                                                        ? QStringLiteral("Anzahl der Prüffelder")
                                                        : QStringLiteral("Nachkommastellen")),
                                           reason),
                    MessageService::Warning);
        box->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

void SeiteMerkmale::übernehmen(int direction, bool& cancel) {
    // Going back checks only that the numbers read one way; the page is
    // filled from the calibration again when it is entered.
    if (direction == -1 ? !zahlenLesbar() : direction != 1 && !eingabeBeenden()) {
        cancel = true;
        return;
    }
    if (direction == 1) {
        bool failed = false;
        for (const auto& check : m_checks)
            if (!check())
                failed = true;
        if (failed) {
            cancel = true;
            return;
        }
    }
    schreiben();
}

void SeiteMerkmale::feldFertig(const QString& text) {
    // The step is named after the last field finished before it is written.
    m_schrittText = text;
    if (m_schreibenAnstehend)
        return;
    m_schreibenAnstehend = true;
    QTimer::singleShot(0, this, [this, füllung = m_füllung] {
        m_schreibenAnstehend = false;
        // Written only into the calibration the page was filled from, and
        // as it reads then.
        if (füllung != m_füllung || !isVisible())
            return;
        const Kalibrierung::Bearbeitung schritt(m_k, m_schrittText);
        schreiben();
    });
}

void SeiteMerkmale::schreiben() {
    rt::SkipErrors skip;
    for (const Gruppe& g : m_gruppen) {
        Prüfmerkmal& m = (m_k.*g.merkmal)();
        skip([&] { m.setName(g.name->currentText()); });
        skip([&] { m.setFormelzeichen(g.zeichen->currentText()); });
        skip([&] { m.setEinheit(g.einheit->currentText()); });
        skip([&] { m.setNachkommastellen(zahl(g.stellen->text())); });
    }
    skip([&] { m_k.setPrüffelderAnzahl(zahl(txtMessreihen->text())); });
}

void SeiteMerkmale::füllen() {
    ++m_füllung;
    rt::SkipErrors skip;
    for (const Gruppe& g : m_gruppen) {
        const Prüfmerkmal& m = (m_k.*g.merkmal)();
        skip([&] { g.name->setEditText(m.Name()); });
        skip([&] { g.zeichen->setEditText(m.Formelzeichen()); });
        skip([&] { g.einheit->setEditText(m.Einheit()); });
        skip([&] { g.stellen->setText(QString::number(m.Nachkommastellen())); });
    }
    skip([&] { txtMessreihen->setText(QString::number(m_k.PrüffelderAnzahl())); });
}
