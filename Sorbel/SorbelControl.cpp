#include "SorbelControl.h"

#include "EditGrid.h"
#include "FlexGrid.h"

#include "Colors.h"
#include "Conversion.h"
#include "RuntimeError.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>

namespace {
// A multi-line value as the one-line editor shows it, and back.
QString withMarks(QString text) {
    text.replace(QStringLiteral("\r\n"), QString(Sorbel::LineBreakMark));
    text.replace(u'\r', Sorbel::LineBreakMark);
    text.replace(u'\n', Sorbel::LineBreakMark);
    return text;
}
QString withLineBreaks(QString text) {
    text.replace(Sorbel::LineBreakMark, u'\n');
    return text;
}
// A pasted text for a multi-line value: its lines kept, no trailing break,
// tabs as blanks.
QString pastedLines(QString text) {
    while (text.endsWith(u'\r') || text.endsWith(u'\n'))
        text.chop(1);
    text.replace(u'\t', u' ');
    return withMarks(text);
}
} // namespace

Sorbel::Sorbel(QWidget* parent)
    : QFrame(parent), m_grid(new FlexGrid(this)), m_textBox(new QLineEdit(this)),
      m_editGrid(new clsEditGrid(this)) {
    m_grid->setObjectName(QStringLiteral("fgDict"));
    m_textBox->setObjectName(QStringLiteral("txtEdit"));
    m_editGrid->setObjectName(QStringLiteral("EditGrid1"));
    m_grid->setFrameShape(QFrame::NoFrame);
    m_grid->setFixedRows(0);
    m_grid->setFixedCols(1);
    m_textBox->hide();
    m_textBox->setFrame(false);

    m_editGrid->setMSFlexGrid(m_grid);
    m_editGrid->setInputObject(m_textBox);
    m_editGrid->ClipboardDoWholeLine = false;
    // The rows are the dictionary's keys: a paste overwrites values, never
    // inserts rows (which would have no key).
    m_editGrid->ClipboardPasteInsertLines = false;
    m_editGrid->GridAutoRowAdd = false;
    m_editGrid->GridIgnoreAddDelKeys = true;
    m_editGrid->HandleFocusColors = true;
    m_grid->setColAlignment(0, FlexGrid::flexAlignLeftTop);
    m_grid->setColAlignment(1, FlexGrid::flexAlignLeftTop);

    // Keys of the editor and of the grid are seen before the edit grid's.
    m_textBox->installEventFilter(this);
    m_grid->installEventFilter(this);

    connect(m_editGrid, &clsEditGrid::BeforeCellEdit, this,
            [this](int Row, int, QString& Prompt, bool& Cancel) {
                if (isMultiLine(Row))
                    Prompt = withMarks(Prompt);
                emit BeforeItemEdit(keyOf(Row), Cancel);
            });
    connect(m_editGrid, &clsEditGrid::AfterCellEdit, this,
            [this](int Row, int, QString& NewValue, bool& Cancel) {
                const QString key = keyOf(Row);
                if (isMultiLine(Row))
                    NewValue = withLineBreaks(NewValue);
                emit AfterItemEdit(key, NewValue, Cancel);
                if (!Cancel && m_dictionary)
                    m_dictionary->insert(key, rt::Variant(NewValue));
            });
    connect(m_editGrid, &clsEditGrid::CellClear, this,
            [this](int Row, int) { emit AfterItemClear(keyOf(Row)); });
    connect(m_editGrid, &clsEditGrid::ProcessReady, this, [this] { emit Change(); });
    connect(m_editGrid, &clsEditGrid::CellsEdited, this, [this] { fitRows(); });
    connect(m_grid, &FlexGrid::SelChange, this, &Sorbel::onSelChange);
    connect(m_grid, &FlexGrid::MouseMove, this, [this](int b, int s, float x, float y) {
        emit MouseMove(b, s, x, y);
        onSelChange();
    });
    connect(m_grid, &FlexGrid::MouseDown, this, &Sorbel::MouseDown);
    connect(m_grid, &FlexGrid::MouseUp, this, &Sorbel::MouseUp);

    applyFrame();
    setBackColor(m_backColor);
    setDictionary(nullptr);
}

Sorbel::~Sorbel() {
    // The edit grid goes first: it must not react to the grid's destruction.
    delete m_editGrid;
    m_editGrid = nullptr;
}

QString Sorbel::keyOf(int row) const {
    if (row < 0 || row >= m_grid->Rows())
        return QString();
    return m_grid->TextMatrix(row, 0);
}

void Sorbel::setDictionary(SorbelDictionaryPtr value) {
    m_editGrid->EndEdit(false);
    m_dictionary = std::move(value);
    rt::SkipErrors skip;
    const QString selected = SelectedItem();
    m_editGrid->setActive(m_dictionary != nullptr);
    if (!m_dictionary) {
        skip([&] { m_grid->setRows(0); });
    } else {
        skip([&] { m_grid->setRows(m_dictionary->count()); });
        int row = 0;
        m_dictionary->forEach([&](const QString& key, const rt::Variant& item) {
            skip([&] { m_grid->setTextMatrix(row, 0, key); });
            skip([&] { m_grid->setTextMatrix(row, 1, item.toText()); });
            ++row;
        });
    }
    fitRows();
    m_editGrid->Refresh();
    skip([&] { setSelectedItem(selected); });
}

QStringList Sorbel::MultiLineItems() const {
    return QStringList(m_multiLine.begin(), m_multiLine.end());
}

void Sorbel::setMultiLineItems(const QStringList& keys) {
    m_multiLine = QSet<QString>(keys.begin(), keys.end());
    fitRows();
}

bool Sorbel::isMultiLine(int row) const {
    return !m_multiLine.isEmpty() && m_multiLine.contains(keyOf(row));
}

void Sorbel::fitRows() {
    const int line = m_grid->verticalHeader()->defaultSectionSize();
    const int extra = m_grid->fontMetrics().lineSpacing();
    for (int r = 0; r < m_grid->Rows(); ++r) {
        const qsizetype lines = isMultiLine(r) ? m_grid->TextMatrix(r, 1).count(u'\n') + 1 : 1;
        const int height = line + int(lines - 1) * extra;
        if (m_grid->RowHeight(r) != height)
            m_grid->setRowHeight(r, height);
    }
}

bool Sorbel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !m_editGrid || !isMultiLine(m_grid->Row()))
        return QFrame::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool paste = key->matches(QKeySequence::Paste);
    if (watched == m_textBox && m_editGrid->isEditing()) {
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        const bool newLine = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                             (modifiers == Qt::ShiftModifier || modifiers == Qt::ControlModifier);
        if (newLine) {
            m_textBox->insert(QString(LineBreakMark));
            return true;
        }
        // A pasted address stays in this value, not spread over the rows below.
        if (paste) {
            m_textBox->insert(pastedLines(QApplication::clipboard()->text()));
            return true;
        }
    } else if (watched == m_grid && paste && !m_editGrid->isEditing() && m_editGrid->Active() &&
               m_grid->Col() == 1) {
        const QString text = QApplication::clipboard()->text();
        if (!text.contains(u'\t') && pastedLines(text).contains(LineBreakMark)) {
            // The editor opens with the lines, for the user to commit.
            m_editGrid->BeginEdit();
            if (m_editGrid->isEditing()) {
                m_textBox->selectAll();
                m_textBox->insert(pastedLines(text));
            }
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

QString Sorbel::SelectedItem() const {
    return keyOf(m_grid->Row());
}

void Sorbel::setSelectedItem(const QString& key) {
    for (int r = 0; r < m_grid->Rows(); ++r) {
        if (m_grid->TextMatrix(r, 0) == key) {
            m_grid->setCurrentCell(r, m_grid->Col() >= 0 ? m_grid->Col() : 1);
            return;
        }
    }
    rt::raiseError(rt::err::InvalidProcedureCall);
}

void Sorbel::onSelChange() {
    if (m_inSelChange)
        return;
    m_inSelChange = true;
    // A selection of several rows is reduced to its end row.
    if (m_grid->Rows() > 0 && m_grid->RowSel() != m_grid->Row())
        m_grid->setCurrentCell(m_grid->RowSel(), m_grid->Col());
    m_inSelChange = false;
    emit SelectItem(SelectedItem());
}

void Sorbel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const QRect inner = contentsRect();
    m_grid->setGeometry(inner);
    const int w = inner.width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_grid->setColWidth(0, rt::toLong(w * 2.0 / 3.0));
    m_grid->setColWidth(1, rt::toLong(w / 3.0));
}

// ---- properties ------------------------------------------------------------------------

void Sorbel::applyFrame() {
    if (m_borderStyle == 0) {
        setFrameStyle(QFrame::NoFrame);
    } else if (m_appearance == 0) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
}

void Sorbel::setAppearance(int value) {
    m_appearance = value;
    applyFrame();
    emit propertyChanged(QStringLiteral("Appearance"));
}

void Sorbel::setBorderStyle(int value) {
    m_borderStyle = value;
    applyFrame();
    emit propertyChanged(QStringLiteral("BorderStyle"));
}

void Sorbel::setBackColor(quint32 value) {
    m_backColor = value;
    m_grid->setBackColor(QColor::fromRgb(rt::colorValueToArgb(value)));
    emit propertyChanged(QStringLiteral("BackColor"));
}

bool Sorbel::Enabled() const {
    return m_grid->isEnabled();
}

void Sorbel::setEnabled(bool value) {
    m_grid->setEnabled(value);
    emit propertyChanged(QStringLiteral("Enabled"));
}

QString Sorbel::ToolTipText() const {
    return m_grid->toolTip();
}

void Sorbel::setToolTipText(const QString& value) {
    m_grid->setToolTip(value);
    emit propertyChanged(QStringLiteral("ToolTipText"));
}

int Sorbel::MouseCol() const {
    return m_grid->MouseCol();
}
int Sorbel::MouseRow() const {
    return m_grid->MouseRow();
}

void Sorbel::WriteProperties(rt::PropertyBag& bag) const {
    bag.writeProperty(QStringLiteral("Appearance"), rt::Long(m_appearance));
    bag.writeProperty(QStringLiteral("BackColor"), rt::Long(qint32(m_backColor)));
    bag.writeProperty(QStringLiteral("BorderStyle"), rt::Long(m_borderStyle));
    bag.writeProperty(QStringLiteral("Enabled"), Enabled());
    bag.writeProperty(QStringLiteral("ToolTipText"), ToolTipText());
}

void Sorbel::ReadProperties(const rt::PropertyBag& bag) {
    rt::SkipErrors skip;
    skip([&] {
        setAppearance(bag.readProperty(QStringLiteral("Appearance"), rt::Long(1)).toLong());
    });
    skip([&] {
        setBackColor(quint32(
            bag.readProperty(QStringLiteral("BackColor"), rt::Long(qint32(0x80000005))).toLong()));
    });
    skip([&] {
        setBorderStyle(bag.readProperty(QStringLiteral("BorderStyle"), rt::Long(1)).toLong());
    });
    skip([&] { setEnabled(bag.readProperty(QStringLiteral("Enabled"), true).toBool()); });
    skip([&] {
        setToolTipText(bag.readProperty(QStringLiteral("ToolTipText"), QString()).toText());
    });
}
