#include "frmProtocollExtraData.h"

#include "Protokoll.h"
#include "Symbole.h"

#include "EditGrid.h"
#include "FlexGrid.h"
#include "Kalibrierung.h"

#include "Conversion.h"
#include "RuntimeError.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <algorithm>

namespace {
const QString Prefix = QStringLiteral("Protokoll Verdichtung ");
constexpr int Margin = 5;
} // namespace

frmProtocollExtraData::frmProtocollExtraData(QWidget* parent) : QDialog(parent) {
    // F1: the help on this window.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { ShowHelpTopic(QStringLiteral("protokoll.html")); });
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
    // Enter commits a cell in the list; OK is a click or Alt+O.
    cmdOk->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    connect(cmdOk, &QPushButton::clicked, this, &frmProtocollExtraData::ok);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
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

void frmProtocollExtraData::AddEditEntry(SorbelDictionary& dictionary, const QString& key) {
    // A plain read: a key missing from the store is added with the empty value.
    const rt::Variant value = m_k->DataStore()->value(key);
    if (value.type() == rt::Variant::Type::Double || value.type() == rt::Variant::Type::Long)
        m_zahlen.insert(key.mid(Prefix.size()));
    dictionary.insert(key.mid(Prefix.size()), value);
}

void frmProtocollExtraData::setKalibrierung(Kalibrierung* k) {
    m_k = k;
    m_zahlen.clear();
    auto copy = std::make_shared<SorbelDictionary>();
    if (k)
        for (const QString& key : Protokoll::SiteDataKeys(*k))
            AddEditEntry(*copy, key);
    Sorbel1->setDictionary(copy);
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
            skip([&] { m_k->DataStoreLet(Prefix + key, value); });
        });
    }
    accept();
}

void frmProtocollExtraData::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const QSize button = cmdOk->sizeHint().expandedTo(cmdCancel->sizeHint()).expandedTo({90, 25});
    cmdOk->setGeometry(width() - Margin - button.width(), height() - Margin - button.height(),
                       button.width(), button.height());
    cmdCancel->setGeometry(cmdOk->x() - Margin - button.width(), cmdOk->y(), button.width(),
                           button.height());
    Sorbel1->setGeometry(Margin, Margin, width() - 2 * Margin, cmdOk->y() - Margin - Margin);
}
