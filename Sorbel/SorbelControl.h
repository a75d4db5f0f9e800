#pragma once

#include "sorbel_export.h"

#include "OrderedMap.h"
#include "PropertyBag.h"
#include "Variant.h"

#include <QFrame>
#include <QSet>
#include <QStringList>

#include <memory>

class FlexGrid;
class QLineEdit;
class clsEditGrid;

// The dictionary the control shows and edits: text keys in insertion order,
// values shown as text and written back as text. The host owns it; the
// control works on the shared object itself.
using SorbelDictionary = rt::OrderedMap<rt::Variant>;
using SorbelDictionaryPtr = std::shared_ptr<SorbelDictionary>;

// Shows a dictionary as a two-column grid, keys on the left (not editable)
// and values on the right, and lets the user edit the values in place.
class SORBEL_EXPORT Sorbel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(int Appearance READ Appearance WRITE setAppearance)
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(QString ToolTipText READ ToolTipText WRITE setToolTipText)

public:
    explicit Sorbel(QWidget* parent = nullptr);
    ~Sorbel() override;

    SorbelDictionaryPtr Dictionary() const { return m_dictionary; }
    void setDictionary(SorbelDictionaryPtr value);
    clsEditGrid* EditGrid() const { return m_editGrid; }
    FlexGrid* FlexGrid_() const { return m_grid; }
    QLineEdit* TextBox() const { return m_textBox; }

    // The key of the current row ("" when there is none); setting it makes
    // the row with exactly that key current, error 5 when there is none.
    QString SelectedItem() const;
    void setSelectedItem(const QString& key);

    // 0 flat, 1 three-dimensional.
    int Appearance() const { return m_appearance; }
    void setAppearance(int value);
    // 0 none, 1 fixed single.
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int value);
    // Of the grid: a colour value (0x80000005 is the system window background).
    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 value);
    bool Enabled() const;
    void setEnabled(bool value);
    QString ToolTipText() const;
    void setToolTipText(const QString& value);

    int MouseCol() const;
    int MouseRow() const;

    // The keys whose values may hold several lines. In the open editor
    // Shift+Return or Ctrl+Return adds a line break, shown there as
    // LineBreakMark, and a pasted text keeps its lines; the dictionary and
    // the cell get "\n". Their rows grow with their lines.
    QStringList MultiLineItems() const;
    void setMultiLineItems(const QStringList& keys);
    static constexpr QChar LineBreakMark = QChar(0x21B5);

    // Persistence of the properties above.
    void WriteProperties(rt::PropertyBag& bag) const;
    void ReadProperties(const rt::PropertyBag& bag);

signals:
    void Change();
    void SelectItem(const QString& Key);
    void BeforeItemEdit(const QString& Key, bool& Cancel);
    void AfterItemEdit(const QString& Key, QString& NewValue, bool& Cancel);
    void AfterItemClear(const QString& Key);
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    // A property was changed: the host should store it again.
    void propertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString keyOf(int row) const;
    bool isMultiLine(int row) const;
    // The rows of multi-line values as tall as their lines.
    void fitRows();
    void onSelChange();
    void applyFrame();

    FlexGrid* m_grid;
    QLineEdit* m_textBox;
    clsEditGrid* m_editGrid;
    SorbelDictionaryPtr m_dictionary;
    int m_appearance = 1;
    int m_borderStyle = 1;
    quint32 m_backColor = 0x80000005;
    bool m_inSelChange = false;
    QSet<QString> m_multiLine;
};
