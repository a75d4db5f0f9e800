#include "ElementTable.h"

#include "ElementText.h"
#include "basPictrel.h"

#include "Conversion.h"

#include <algorithm>

QString clsElementTable::cellKey(const char* name, qint32 col, qint32 row) {
    return QLatin1String(name) + QString::number(col) + u':' + QString::number(row);
}

template <class T>
T clsElementTable::setting(const QString& key, const T& fallback) const {
    const auto it = m_settings.constFind(key);
    if (it == m_settings.constEnd())
        return fallback;
    if (const T* value = std::get_if<T>(&*it))
        return *value;
    return fallback;
}

// ---- settings ------------------------------------------------------------------

QString clsElementTable::TextMatrix(qint32 Col, qint32 Row) const {
    return setting<QString>(cellKey("Text", Col, Row), QString());
}
void clsElementTable::setTextMatrix(qint32 Col, qint32 Row, const QString& value) {
    m_settings.insert(cellKey("Text", Col, Row), value);
}
FontPtr clsElementTable::CellFont(qint32 Col, qint32 Row) const {
    return setting<FontPtr>(cellKey("Font", Col, Row), m_fontStd);
}
void clsElementTable::setCellFont(qint32 Col, qint32 Row, FontPtr value) {
    m_settings.insert(cellKey("Font", Col, Row), std::move(value));
}
qint32 clsElementTable::CellColSpan(qint32 Col, qint32 Row) const {
    return setting<qint32>(cellKey("CellColSpan", Col, Row), 1);
}
void clsElementTable::setCellColSpan(qint32 Col, qint32 Row, qint32 value) {
    m_settings.insert(cellKey("CellColSpan", Col, Row), value);
    m_spanCells.insert({Col, Row});
}
qint32 clsElementTable::CellRowSpan(qint32 Col, qint32 Row) const {
    return setting<qint32>(cellKey("CellRowSpan", Col, Row), 1);
}
void clsElementTable::setCellRowSpan(qint32 Col, qint32 Row, qint32 value) {
    m_settings.insert(cellKey("CellRowSpan", Col, Row), value);
    m_spanCells.insert({Col, Row});
}
TextAlignmentEnum clsElementTable::CellAlignment(qint32 Col, qint32 Row) const {
    return TextAlignmentEnum(setting<qint32>(cellKey("CellAlignment", Col, Row), m_alignmentStd));
}
void clsElementTable::setCellAlignment(qint32 Col, qint32 Row, TextAlignmentEnum value) {
    m_settings.insert(cellKey("CellAlignment", Col, Row), qint32(value));
}
double clsElementTable::CellInnerSpacingTop(qint32 Col, qint32 Row) const {
    return setting<double>(cellKey("CellInnerSpacingTop", Col, Row), m_spacingStd);
}
void clsElementTable::setCellInnerSpacingTop(qint32 Col, qint32 Row, double value) {
    m_settings.insert(cellKey("CellInnerSpacingTop", Col, Row), value);
}
double clsElementTable::CellInnerSpacingLeft(qint32 Col, qint32 Row) const {
    return setting<double>(cellKey("CellInnerSpacingLeft", Col, Row), m_spacingStd);
}
void clsElementTable::setCellInnerSpacingLeft(qint32 Col, qint32 Row, double value) {
    m_settings.insert(cellKey("CellInnerSpacingLeft", Col, Row), value);
}
double clsElementTable::CellInnerSpacingBottom(qint32 Col, qint32 Row) const {
    return setting<double>(cellKey("CellInnerSpacingBottom", Col, Row), m_spacingStd);
}
void clsElementTable::setCellInnerSpacingBottom(qint32 Col, qint32 Row, double value) {
    m_settings.insert(cellKey("CellInnerSpacingBottom", Col, Row), value);
}
double clsElementTable::CellInnerSpacingRight(qint32 Col, qint32 Row) const {
    return setting<double>(cellKey("CellInnerSpacingRight", Col, Row), m_spacingStd);
}
void clsElementTable::setCellInnerSpacingRight(qint32 Col, qint32 Row, double value) {
    m_settings.insert(cellKey("CellInnerSpacingRight", Col, Row), value);
}
void clsElementTable::setCellInnerSpacing(qint32 Col, qint32 Row, double value) {
    setCellInnerSpacingLeft(Col, Row, value);
    setCellInnerSpacingRight(Col, Row, value);
    setCellInnerSpacingTop(Col, Row, value);
    setCellInnerSpacingBottom(Col, Row, value);
}
double clsElementTable::ColWidth(qint32 Col) const {
    return setting<double>(QStringLiteral("ColWidth") + QString::number(Col), 1.0);
}
void clsElementTable::setColWidth(qint32 Col, double value) {
    m_settings.insert(QStringLiteral("ColWidth") + QString::number(Col), value);
}
double clsElementTable::RowHeight(qint32 Row) const {
    return setting<double>(QStringLiteral("RowHeight") + QString::number(Row), -1.0);
}
void clsElementTable::setRowHeight(qint32 Row, double value) {
    m_settings.insert(QStringLiteral("RowHeight") + QString::number(Row), value);
}

// ---- layout --------------------------------------------------------------------

bool clsElementTable::CellVisible(qint32 Col, qint32 Row) const {
    if (Col < 1)
        return true;
    // Cells without span settings never reach beyond themselves.
    for (const auto& [c, r] : m_spanCells) {
        if (c < 1 || c > Col || r < 1 || r > Row || (c == Col && r == Row))
            continue;
        if (r + CellRowSpan(c, r) - 1 >= Row && c + CellColSpan(c, r) - 1 >= Col)
            return false;
    }
    return true;
}

double clsElementTable::CellWidth(qint32 Col, qint32 Row) const {
    double sum = 0;
    const qint32 last = Col + CellColSpan(Col, Row) - 1;
    for (qint32 c = Col; c <= last; ++c)
        sum = rt::checkedFinite(sum + ColWidth(c));
    return sum;
}

double clsElementTable::Width() const {
    double sum = 0;
    for (qint32 c = 1; c <= m_cols; ++c)
        sum = rt::checkedFinite(sum + ColWidth(c));
    return sum;
}

double clsElementTable::ColLeft(qint32 Col) const {
    double x = pointOf(m_positionTopLeft).X();
    for (qint32 c = 1; c < Col; ++c)
        x = rt::checkedFinite(x + ColWidth(c));
    return x;
}

double clsElementTable::rowHeightReal(qint32 Row, Layout& layout) const {
    const double fixed = RowHeight(Row);
    if (fixed >= 0)
        return fixed;
    const auto cached = layout.rowHeights.constFind(Row);
    if (cached != layout.rowHeights.constEnd())
        return *cached;
    double height = 0;
    for (qint32 c = 1; c <= m_cols; ++c) {
        if (!CellVisible(c, Row) || CellRowSpan(c, Row) != 1)
            continue;
        const QString text = TextMatrix(c, Row);
        if (text.isEmpty())
            continue;
        clsElementText element;
        element.setFont(CellFont(c, Row));
        element.setText(text);
        element.setMaxTextWidth(CellWidth(c, Row) - CellInnerSpacingLeft(c, Row) -
                                CellInnerSpacingRight(c, Row));
        const double textHeight = element.TextHeight(layout.drawDest);
        height = std::max(height, rt::checkedFinite(CellInnerSpacingTop(c, Row) + textHeight +
                                                    CellInnerSpacingBottom(c, Row)));
    }
    layout.rowHeights.insert(Row, height);
    return height;
}

double clsElementTable::cellHeight(qint32 Col, qint32 Row, Layout& layout) const {
    double sum = 0;
    const qint32 last = Row + CellRowSpan(Col, Row) - 1;
    for (qint32 r = Row; r <= last; ++r)
        sum = rt::checkedFinite(sum + rowHeightReal(r, layout));
    return sum;
}

double clsElementTable::rowTop(qint32 Row, Layout& layout) const {
    double y = pointOf(m_positionTopLeft).Y();
    for (qint32 r = 1; r < Row; ++r)
        y = rt::checkedFinite(y + rowHeightReal(r, layout));
    return y;
}

double clsElementTable::height(Layout& layout) const {
    double sum = 0;
    for (qint32 r = 1; r <= m_rows; ++r)
        sum = rt::checkedFinite(sum + rowHeightReal(r, layout));
    return sum;
}

double clsElementTable::RowHeightReal(qint32 Row, const DrawDestPtr& DrawDest) const {
    Layout layout{DrawDest, {}};
    return rowHeightReal(Row, layout);
}

double clsElementTable::CellHeight(qint32 Col, qint32 Row, const DrawDestPtr& DrawDest) const {
    Layout layout{DrawDest, {}};
    return cellHeight(Col, Row, layout);
}

double clsElementTable::Height(const DrawDestPtr& DrawDest) const {
    Layout layout{DrawDest, {}};
    return height(layout);
}

double clsElementTable::RowTop(qint32 Row, const DrawDestPtr& DrawDest) const {
    Layout layout{DrawDest, {}};
    return rowTop(Row, layout);
}

// ---- element -------------------------------------------------------------------

PointPtr clsElementTable::BoundingBoxP1(const DrawDestPtr&) {
    return pointOf(m_positionTopLeft).Clone();
}

PointPtr clsElementTable::BoundingBoxP2(const DrawDestPtr& DrawDest) {
    const double width = Width();
    return pointOf(m_positionTopLeft).OffsetClone(width, Height(DrawDest), 0);
}

PointPtr clsElementTable::BoundingBoxCenter(const DrawDestPtr& DrawDest) {
    const double width = Width();
    return pointOf(m_positionTopLeft).OffsetClone(width / 2, Height(DrawDest) / 2, 0);
}

void clsElementTable::Draw(const DrawDestPtr& DrawDest) {
    clsDrawDest& dest = drawDestOf(DrawDest);
    Layout layout{DrawDest, {}};
    dest.setPen(m_pen);
    const clsPoint3D& topLeft = pointOf(m_positionTopLeft);
    const double width = Width();
    dest.DrawRectangle(m_positionTopLeft, topLeft.OffsetClone(width, height(layout), 0));
    for (qint32 r = 1; r <= m_rows; ++r) {
        for (qint32 c = 1; c <= m_cols; ++c) {
            if (!CellVisible(c, r))
                continue;
            const double cw = CellWidth(c, r);
            const double ch = cellHeight(c, r, layout);
            const PointPtr corner = std::make_shared<clsPoint3D>(ColLeft(c), rowTop(r, layout), 0);
            dest.DrawRectangle(corner, corner->OffsetClone(cw, ch, 0));

            const double left = CellInnerSpacingLeft(c, r);
            const double right = CellInnerSpacingRight(c, r);
            const double top = CellInnerSpacingTop(c, r);
            const double bottom = CellInnerSpacingBottom(c, r);
            const TextAlignmentEnum align = CellAlignment(c, r);
            double tx = left, ty = top;
            switch (horizontalPart(align)) {
            case AlignPart::Center:
                tx = (cw - right - left) / 2 + left;
                break;
            case AlignPart::End:
                tx = cw - right;
                break;
            case AlignPart::Start:
                break;
            }
            switch (verticalPart(align)) {
            case AlignPart::Center:
                ty = (ch - bottom - top) / 2 + top;
                break;
            case AlignPart::End:
                ty = ch - bottom;
                break;
            case AlignPart::Start:
                break;
            }
            dest.setFont(CellFont(c, r));
            dest.DrawText(corner->OffsetClone(tx, ty, 0), TextMatrix(c, r), align,
                          cw - left - right);
        }
    }
}
