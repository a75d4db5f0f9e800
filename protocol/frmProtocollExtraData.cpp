#include "frmProtocollExtraData.h"

#include "Symbole.h"

#include "EditGrid.h"
#include "FlexGrid.h"
#include "Kalibrierung.h"
#include "Protokolldaten.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QDate>
#include <QFontMetrics>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <algorithm>

namespace {
constexpr int Margin = 5;
} // namespace

frmProtocollExtraData::frmProtocollExtraData(QWidget* parent) : QDialog(parent) {
    // F1: the help on this window.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { ShowHelpTopic(QStringLiteral("protokolldaten.html")); });
    setObjectName(QStringLiteral("frmProtocollExtraData"));
    setWindowTitle(QStringLiteral("Daten Kalibrierprotokoll"));
    setWindowIcon(Symbole::programm());
    setSizeGripEnabled(true);
    Sorbel1 = new Sorbel(this);
    Sorbel1->setObjectName(QStringLiteral("Sorbel1"));
    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel = new QPushButton(QStringLiteral("&Abbruch"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdHeute = new QPushButton(QStringLiteral("&Heute"), this);
    cmdHeute->setObjectName(QStringLiteral("cmdHeute"));
    cmdHeute->setToolTip(QStringLiteral("Trägt das heutige Datum in den gewählten Datumseintrag "
                                        "ein (TT.MM.JJJJ)"));
    cmdHeute->setEnabled(false);
    // Enter commits a cell in the list; OK is a click or Alt+O.
    cmdOk->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    cmdHeute->setAutoDefault(false);
    connect(cmdOk, &QPushButton::clicked, this, &frmProtocollExtraData::ok);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdHeute, &QPushButton::clicked, this, &frmProtocollExtraData::heute);
    // Today's date is offered for date entries only, and stored only when
    // the user takes it.
    connect(Sorbel1, &Sorbel::SelectItem, this,
            [this](const QString& key) { cmdHeute->setEnabled(m_daten.contains(key)); });
    // The control leaves a cleared value to its host: the copy follows it.
    connect(Sorbel1, &Sorbel::AfterItemClear, this, [this](const QString& key) {
        if (const SorbelDictionaryPtr copy = Sorbel1->Dictionary())
            copy->insert(key, rt::Variant(QString()));
    });
    // A number typed into an entry that holds one must read one way only.
    connect(Sorbel1->EditGrid(), &clsEditGrid::ValidateCellEdit, this,
            [this](int row, int, const QString& text, QString& refusal) {
                const QString key = Sorbel1->FlexGrid_()->TextMatrix(row, 0);
                QString reason;
                if (m_zahlen.contains(key) && !text.trimmed().isEmpty() &&
                    !rt::parseTypedNumber(text, &reason))
                    refusal = rt::typedNumberMessage(
                        text, QStringLiteral("im Eintrag „%1“").arg(key), reason);
            });
    resize(620, 520);
}

void frmProtocollExtraData::AddEditEntry(SorbelDictionary& dictionary, const QString& label,
                                         const QString& key) {
    // A plain read: a key missing from the store is added with the empty value.
    const rt::Variant value = m_k->DataStore()->value(key);
    if (value.type() == rt::Variant::Type::Double || value.type() == rt::Variant::Type::LongInteger)
        m_zahlen.insert(label);
    m_schlüssel.insert(label, key);
    dictionary.insert(label, value);
}

void frmProtocollExtraData::setKalibrierung(Kalibrierung* k) {
    m_k = k;
    m_schlüssel.clear();
    m_zahlen.clear();
    m_daten.clear();
    QStringList mehrzeilig;
    auto copy = std::make_shared<SorbelDictionary>();
    if (k)
        for (const Protokolleintrag& e : ProtokollEinträge(*k)) {
            AddEditEntry(*copy, e.eintrag, e.schlüssel);
            if (e.angabe->mehrzeilig)
                mehrzeilig.append(e.eintrag);
            if (e.angabe->datum)
                m_daten.insert(e.eintrag);
        }
    Sorbel1->setMultiLineItems(mehrzeilig);
    Sorbel1->setDictionary(copy);
    cmdHeute->setEnabled(m_daten.contains(Sorbel1->SelectedItem()));
    // Wide enough that the longest label shows whole in the label column
    // (two thirds of the control), within the screen.
    int label = 0;
    const QFontMetrics metrics(Sorbel1->FlexGrid_()->font());
    for (const QString& key : copy->keys())
        label = std::max(label, metrics.horizontalAdvance(key) + 12);
    int wanted = label * 3 / 2 + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * Margin + 8;
    if (const QScreen* s = screen())
        wanted = std::min(wanted, s->availableGeometry().width() * 9 / 10);
    resize(std::max(width(), wanted), height());
}

void frmProtocollExtraData::ok() {
    // An edit still open counts; a refused one keeps the window open.
    if (!Sorbel1->EditGrid()->EndEdit(false))
        return;
    if (m_k && Sorbel1->Dictionary()) {
        const Kalibrierung::Bearbeitung schritt(*m_k, QStringLiteral("Protokolldaten"));
        rt::SkipErrors skip;
        Sorbel1->Dictionary()->forEach([&](const QString& key, const rt::Variant& value) {
            skip([&] { m_k->DataStoreLet(m_schlüssel.value(key, ProtokollPräfix + key), value); });
        });
    }
    accept();
}

void frmProtocollExtraData::heute() {
    const QString key = Sorbel1->SelectedItem();
    const SorbelDictionaryPtr copy = Sorbel1->Dictionary();
    if (!copy || !m_daten.contains(key) || !Sorbel1->EditGrid()->EndEdit(false))
        return;
    // The entry may have moved on with the committed edit: the one chosen.
    const QString date = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    copy->insert(key, rt::Variant(date));
    FlexGrid* grid = Sorbel1->FlexGrid_();
    for (int row = 0; row < grid->Rows(); ++row)
        if (grid->TextMatrix(row, 0) == key) {
            grid->setTextMatrix(row, 1, date);
            Sorbel1->setSelectedItem(key);
        }
    Sorbel1->EditGrid()->Refresh();
    grid->setFocus(Qt::OtherFocusReason);
}

void frmProtocollExtraData::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const QSize button = cmdOk->sizeHint().expandedTo(cmdCancel->sizeHint()).expandedTo({90, 25});
    cmdOk->setGeometry(width() - Margin - button.width(), height() - Margin - button.height(),
                       button.width(), button.height());
    cmdCancel->setGeometry(cmdOk->x() - Margin - button.width(), cmdOk->y(), button.width(),
                           button.height());
    cmdHeute->setGeometry(Margin, cmdOk->y(), button.width(), button.height());
    Sorbel1->setGeometry(Margin, Margin, width() - 2 * Margin, cmdOk->y() - Margin - Margin);
}
