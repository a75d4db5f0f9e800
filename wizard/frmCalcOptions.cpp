#include "frmCalcOptions.h"

#include "FieldChecks.h"
#include "Symbole.h"
#include "UpDown.h"

#include "Ergebnisliste.h"
#include "Kalibrierung.h"
#include "MessageService.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {
const QString MinPattern = QStringLiteral("0.00");

// Whether a box holds a number as a user types it; otherwise the message
// (the box's own, and why a number that reads two ways is refused).
bool eingabeGültig(QLineEdit* box, const QString& message, const QString& feld) {
    const QString text = box->text();
    QString reason;
    if (rt::parseTypedNumber(text, &reason))
        return true;
    QString full = message;
    if (rt::isNumericText(text))
        full +=
            u'\n' + rt::typedNumberMessage(text, QStringLiteral("im Feld „%1“").arg(feld), reason);
    showMessage(box->window(), full, MessageService::Warning);
    return false;
}

const QString StellenMeldung =
    QStringLiteral("Bitte geben Sie eine gültige Anzahl von Nachkommastellen an.");
const QString MinimumMeldung =
    QStringLiteral("Bitte geben Sie ein gültiges minimales Bestimmtheitsmaß ein.");
const QString MinimumFeld = QStringLiteral("minimales Bestimmtheitsmaß");

// A coefficient of determination lies between 0 and 1: a minimum above 1
// would call every line critical.
bool minimumGültig(QLineEdit* box) {
    if (!eingabeGültig(box, MinimumMeldung, MinimumFeld))
        return false;
    const double value = *rt::parseTypedNumber(box->text());
    if (value >= 0 && value <= 1)
        return true;
    showMessage(
        box->window(),
        MinimumMeldung +
            QStringLiteral("\n„%1“ liegt nicht zwischen 0 und 1.").arg(box->text().trimmed()),
        MessageService::Warning);
    return false;
}
} // namespace

frmCalcOptions::frmCalcOptions(QWidget* parent) : QDialog(parent) {
    // F1: the help on this window.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { ShowHelpTopic(QStringLiteral("optionen.html")); });
    setObjectName(QStringLiteral("frmCalcOptions"));
    setWindowTitle(QStringLiteral("Berechnungsoptionen"));
    setWindowIcon(Symbole::programm());
    auto* checks = new FieldChecks(this);

    // The widgets are created in their tab order.
    Label1 = new QLabel(QStringLiteral("Legen Sie hier fest, mit welchen Einstellungen die "
                                       "Berechnung der Korrelationsgeradengleichung vorgenommen "
                                       "werden soll."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    buildNachkommastellen(checks);
    chkRoundIntermediaryResults =
        new QCheckBox(QStringLiteral("Zwischenergebnisse der Berechung runden (auf") +
                          QChar(0x00A0) + QStringLiteral("angezeigte Werte)"),
                      this);
    chkRoundIntermediaryResults->setObjectName(QStringLiteral("chkRoundIntermediaryResults"));
    QLabel* minimumLabel = buildMinBestimmtheitsmaß(checks);
    buildButtons(checks);
    layOut(minimumLabel, checks);
}

// The frame of the decimals shown, one box with its up-down per statistic.
void frmCalcOptions::buildNachkommastellen(FieldChecks* checks) {
    Frame1 = new QGroupBox(QStringLiteral("Nachkommastellen für Anzeige"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(Frame1);
    int row = 0;
    auto decimals = [&](const QString& caption, const QString& text, const QString& upDown,
                        UpDown*& ud) {
        auto* box = new QLineEdit(Frame1);
        box->setObjectName(text);
        ud = new UpDown(Frame1);
        ud->setObjectName(upDown);
        ud->setRange(0, 10);
        ud->setBuddy(box);
        ud->setArrowKeys(true);
        auto* label = new QLabel(caption, Frame1);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        auto* pair = new QHBoxLayout;
        pair->setSpacing(0);
        pair->addWidget(box);
        pair->addWidget(ud);
        grid->addLayout(pair, row, 1);
        ++row;
        const QString feld = caption.chopped(1); // without the colon
        checks->addCheck(box, [box, feld] { return eingabeGültig(box, StellenMeldung, feld); });
        m_felder.append({box, feld});
        return box;
    };
    txtMittelwerteStellen =
        decimals(QStringLiteral("Mittelwerte:"), QStringLiteral("txtMittelwerteStellen"),
                 QStringLiteral("udMittelwerteStellen"), udMittelwerteStellen);
    txtVarianzenStellen =
        decimals(QStringLiteral("Varianzen:"), QStringLiteral("txtVarianzenStellen"),
                 QStringLiteral("udVarianzenStellen"), udVarianzenStellen);
    txtKovarianzenStellen =
        decimals(QStringLiteral("Kovarianzen:"), QStringLiteral("txtKovarianzenStellen"),
                 QStringLiteral("udKovarianzenStellen"), udKovarianzenStellen);
    txtBestimmtheitsmaßeStellen = decimals(
        QStringLiteral("Bestimmtheitsmaße:"), QStringLiteral("txtBestimmtheitsmaßeStellen"),
        QStringLiteral("udBestimmtheitsmaßeStellen"), udBestimmtheitsmaßeStellen);
    txtAnstiegStellen =
        decimals(QStringLiteral("Anstieg Gerade:"), QStringLiteral("txtAnstiegStellen"),
                 QStringLiteral("udAnstiegStellen"), udAnstiegStellen);
    txtNullwertStellen =
        decimals(QStringLiteral("Achsenabschnitt Gerade:"), QStringLiteral("txtNullwertStellen"),
                 QStringLiteral("udNullwertStellen"), udNullwertStellen);
    grid->setColumnStretch(0, 1);
}

// The minimum coefficient of determination with its up-down; returns its label.
QLabel* frmCalcOptions::buildMinBestimmtheitsmaß(FieldChecks* checks) {
    txtMinBestimmtheitsmaßIndirektDirekt = new QLineEdit(this);
    txtMinBestimmtheitsmaßIndirektDirekt->setObjectName(
        QStringLiteral("txtMinBestimmtheitsmaßIndirektDirekt"));
    udMinBestimmtheitsmaßIndirektDirekt = new UpDown(this);
    udMinBestimmtheitsmaßIndirektDirekt->setObjectName(
        QStringLiteral("udMinBestimmtheitsmaßIndirektDirekt"));
    udMinBestimmtheitsmaßIndirektDirekt->setFixedHeight(
        txtMinBestimmtheitsmaßIndirektDirekt->sizeHint().height());
    connect(udMinBestimmtheitsmaßIndirektDirekt, &UpDown::UpClick, this,
            [this] { stepMinimum(+0.01); });
    connect(udMinBestimmtheitsmaßIndirektDirekt, &UpDown::DownClick, this,
            [this] { stepMinimum(-0.01); });
    QLineEdit* minimum = txtMinBestimmtheitsmaßIndirektDirekt;
    checks->addCheck(minimum, [minimum] { return minimumGültig(minimum); });
    auto* minimumLabel = new QLabel(
        QStringLiteral("minimales Bestimmtheitsmaß (indirektes, direktes Prüfmerkmal)"), this);
    minimumLabel->setBuddy(minimum);
    return minimumLabel;
}

void frmCalcOptions::buildButtons(FieldChecks* checks) {
    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Abbruch"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    checks->addNonValidating(cmdOk);
    checks->addNonValidating(cmdCancel);
    connect(cmdOk, &QPushButton::clicked, this, &frmCalcOptions::ok);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// Lays the dialog out; the requirement boxes are created here, after the
// buttons.
void frmCalcOptions::layOut(QLabel* minimumLabel, FieldChecks* checks) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Frame1);
    layout->addWidget(chkRoundIntermediaryResults);
    auto* minRow = new QHBoxLayout;
    minRow->addWidget(minimumLabel, 1);
    auto* minPair = new QHBoxLayout;
    minPair->setSpacing(0);
    minPair->addWidget(txtMinBestimmtheitsmaßIndirektDirekt);
    minPair->addWidget(udMinBestimmtheitsmaßIndirektDirekt);
    minRow->addLayout(minPair);
    layout->addLayout(minRow);
    layout->addLayout(buildAnforderungen(checks));
    layout->addSpacing(8);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);
    for (QLineEdit* box : {txtMittelwerteStellen, txtVarianzenStellen, txtKovarianzenStellen,
                           txtBestimmtheitsmaßeStellen, txtAnstiegStellen, txtNullwertStellen,
                           txtMinBestimmtheitsmaßIndirektDirekt})
        box->setMaximumWidth(70);
    Label1->setMinimumWidth(400);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

// Requirement values on the direct characteristic, translated on page 4 and
// in the protocol: a row of up to three boxes.
QHBoxLayout* frmCalcOptions::buildAnforderungen(FieldChecks* checks) {
    auto* anforderungen = new QHBoxLayout;
    auto* anforderungenLabel =
        new QLabel(QStringLiteral("Anforderungen an das direkte Prüfmerkmal (bis zu drei):"), this);
    anforderungen->addWidget(anforderungenLabel, 1);
    for (int i = 0; i < 3; ++i) {
        txtAnforderung[i] = new QLineEdit(this);
        txtAnforderung[i]->setObjectName(QStringLiteral("txtAnforderung%1").arg(i + 1));
        txtAnforderung[i]->setMaximumWidth(70);
        txtAnforderung[i]->setToolTip(
            QStringLiteral("Ein geforderter Wert des direkten Prüfmerkmals, zum Beispiel 98 für "
                           "DPr ≥ 98 %; leer: keiner"));
        QLineEdit* box = txtAnforderung[i];
        const QString feld = QStringLiteral("Anforderung %1").arg(i + 1);
        checks->addCheck(box, [box, feld] {
            return box->text().trimmed().isEmpty() ||
                   eingabeGültig(
                       box, QStringLiteral("Bitte geben Sie eine gültige Anforderung an."), feld);
        });
        anforderungen->addWidget(box);
    }
    anforderungenLabel->setBuddy(txtAnforderung[0]);
    return anforderungen;
}

void frmCalcOptions::setKalibrierung(Kalibrierung* k) {
    m_k = k;
    if (!k)
        return;
    rt::SkipErrors skip;
    skip(
        [&] { txtMittelwerteStellen->setText(QString::number(k->NachkommastellenMittelwerte())); });
    skip([&] { txtVarianzenStellen->setText(QString::number(k->NachkommastellenVarianzen())); });
    skip(
        [&] { txtKovarianzenStellen->setText(QString::number(k->NachkommastellenKovarianzen())); });
    skip([&] {
        txtBestimmtheitsmaßeStellen->setText(
            QString::number(k->NachkommastellenBestimmtheitsmaße()));
    });
    skip([&] { txtAnstiegStellen->setText(QString::number(k->NachkommastellenAnstieg())); });
    skip([&] {
        txtNullwertStellen->setText(QString::number(k->NachkommastellenAchsenabschnitt()));
    });
    skip([&] { chkRoundIntermediaryResults->setChecked(k->ZwischenergebnisseRunden()); });
    for (int i = 0; i < 3; ++i) {
        // With its own digits, never rounded to the direct decimals.
        const std::optional<double> r = Anforderung(*k, i + 1);
        m_anforderungGezeigt[i] = r ? rt::doubleToText(*r) : QString();
        txtAnforderung[i]->setText(m_anforderungGezeigt[i]);
    }
    skip([&] {
        m_minimumGezeigt = rt::formatNumber(k->MinBestimmtheitsmaßIndirektDirekt(), MinPattern);
        txtMinBestimmtheitsmaßIndirektDirekt->setText(m_minimumGezeigt);
    });
}

void frmCalcOptions::ok() {
    if (!eingabenGültig())
        return;
    if (m_k)
        übernehmen();
    accept();
}

bool frmCalcOptions::eingabenGültig() {
    // OK takes the focus unchecked: every box is checked here, and a refused
    // one keeps the dialog open with the focus in it.
    // A decimals text that is no number still gives 0; one that reads two
    // ways is refused.
    // The box with the focus is checked as leaving it would check it.
    for (const auto& [box, feld] : m_felder)
        if ((box->hasFocus() || rt::isNumericText(box->text())) &&
            !eingabeGültig(box, StellenMeldung, feld)) {
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
            return false;
        }
    if (!minimumGültig(txtMinBestimmtheitsmaßIndirektDirekt)) {
        txtMinBestimmtheitsmaßIndirektDirekt->setFocus(Qt::OtherFocusReason);
        return false;
    }
    for (int i = 0; i < 3; ++i)
        if (!txtAnforderung[i]->text().trimmed().isEmpty() &&
            !eingabeGültig(txtAnforderung[i],
                           QStringLiteral("Bitte geben Sie eine gültige Anforderung an."),
                           QStringLiteral("Anforderung %1").arg(i + 1))) {
            txtAnforderung[i]->setFocus(Qt::OtherFocusReason);
            return false;
        }
    return true;
}

// Writes the options into the calibration, as one step of its editing.
void frmCalcOptions::übernehmen() {
    const Kalibrierung::Bearbeitung schritt(*m_k, QStringLiteral("Optionen"));
    // A text that is no number gives 0; nothing is range-checked.
    auto stellen = [](const QLineEdit* box) { return rt::toLong(rt::val(box->text())); };
    rt::SkipErrors skip;
    skip([&] { m_k->setNachkommastellenMittelwerte(stellen(txtMittelwerteStellen)); });
    skip([&] { m_k->setNachkommastellenVarianzen(stellen(txtVarianzenStellen)); });
    skip([&] { m_k->setNachkommastellenKovarianzen(stellen(txtKovarianzenStellen)); });
    skip([&] { m_k->setNachkommastellenBestimmtheitsmaße(stellen(txtBestimmtheitsmaßeStellen)); });
    skip([&] { m_k->setNachkommastellenAnstieg(stellen(txtAnstiegStellen)); });
    skip([&] { m_k->setNachkommastellenAchsenabschnitt(stellen(txtNullwertStellen)); });
    skip([&] { m_k->setZwischenergebnisseRunden(chkRoundIntermediaryResults->isChecked()); });
    for (int i = 0; i < 3; ++i) {
        const QString text = txtAnforderung[i]->text().trimmed();
        // Only a changed box touches the calibration: older files stay as
        // they are, and a value with more digits than its text shows
        // keeps them.
        if (text == m_anforderungGezeigt[i].trimmed() ||
            (text.isEmpty() && !Anforderung(*m_k, i + 1)))
            continue;
        skip([&] {
            setAnforderung(*m_k, i + 1, text.isEmpty() ? std::nullopt : rt::parseTypedNumber(text));
        });
    }
    // The minimum is shown with two decimals: unchanged, it keeps its own.
    if (txtMinBestimmtheitsmaßIndirektDirekt->text().trimmed() != m_minimumGezeigt)
        skip([&] {
            m_k->setMinBestimmtheitsmaßIndirektDirekt(
                *rt::parseTypedNumber(txtMinBestimmtheitsmaßIndirektDirekt->text()));
        });
}

void frmCalcOptions::stepMinimum(double delta) {
    const QString text = txtMinBestimmtheitsmaßIndirektDirekt->text();
    double value = rt::parseTypedNumber(text).value_or(0.0);
    value = qBound(0.25, value + delta, 1.0);
    txtMinBestimmtheitsmaßIndirektDirekt->setText(rt::formatNumber(value, MinPattern));
}
