#include "ElementTable.h"

#include "ElementText.h"
#include "basPictrel.h"

#include "Conversion.h"

#include <algorithm>

template <class T>
T clsElementTable::setting(const Key& key, const T& fallback) const {
    const auto it = m_settings.constFind(key);
    if (it == m_settings.constEnd())
        return fallback;
    if (const T* value = std::get_if<T>(&*it))
        return *value;
    return fallback;
}

// ---- settings ------------------------------------------------------------------

QString clsElementTable::TextMatrix(qint32 Col, qint32 Row) const {
    return setting<QString>({Kind::Text, Col, Row}, QString());
}
void clsElementTable::setTextMatrix(qint32 Col, qint32 Row, const QString& value) {
    m_settings.insert({Kind::Text, Col, Row}, value);
    changed();
}
FontPtr clsElementTable::CellFont(qint32 Col, qint32 Row) const {
    return setting<FontPtr>({Kind::Font, Col, Row}, m_fontStd);
}
void clsElementTable::setCellFont(qint32 Col, qint32 Row, FontPtr value) {
    m_settings.insert({Kind::Font, Col, Row}, std::move(value));
    changed();
}
qint32 clsElementTable::CellColSpan(qint32 Col, qint32 Row) const {
    const auto it = m_spans.constFind({Col, Row});
    return it == m_spans.constEnd() ? 1 : it->cols;
}
void clsElementTable::setCellColSpan(qint32 Col, qint32 Row, qint32 value) {
    m_spans[{Col, Row}].cols = value;
    m_covered.clear();
    changed();
}
qint32 clsElementTable::CellRowSpan(qint32 Col, qint32 Row) const {
    const auto it = m_spans.constFind({Col, Row});
    return it == m_spans.constEnd() ? 1 : it->rows;
}
void clsElementTable::setCellRowSpan(qint32 Col, qint32 Row, qint32 value) {
    m_spans[{Col, Row}].rows = value;
    m_covered.clear();
    changed();
}
TextAlignmentEnum clsElementTable::CellAlignment(qint32 Col, qint32 Row) const {
    return TextAlignmentEnum(setting<qint32>({Kind::Alignment, Col, Row}, m_alignmentStd));
}
void clsElementTable::setCellAlignment(qint32 Col, qint32 Row, TextAlignmentEnum value) {
    m_settings.insert({Kind::Alignment, Col, Row}, qint32(value));
    changed();
}
double clsElementTable::CellInnerSpacingTop(qint32 Col, qint32 Row) const {
    return setting<double>({Kind::SpacingTop, Col, Row}, m_spacingStd);
}
void clsElementTable::setCellInnerSpacingTop(qint32 Col, qint32 Row, double value) {
    m_settings.insert({Kind::SpacingTop, Col, Row}, value);
    changed();
}
double clsElementTable::CellInnerSpacingLeft(qint32 Col, qint32 Row) const {
    return setting<double>({Kind::SpacingLeft, Col, Row}, m_spacingStd);
}
void clsElementTable::setCellInnerSpacingLeft(qint32 Col, qint32 Row, double value) {
    m_settings.insert({Kind::SpacingLeft, Col, Row}, value);
    changed();
}
double clsElementTable::CellInnerSpacingBottom(qint32 Col, qint32 Row) const {
    return setting<double>({Kind::SpacingBottom, Col, Row}, m_spacingStd);
}
void clsElementTable::setCellInnerSpacingBottom(qint32 Col, qint32 Row, double value) {
    m_settings.insert({Kind::SpacingBottom, Col, Row}, value);
    changed();
}
double clsElementTable::CellInnerSpacingRight(qint32 Col, qint32 Row) const {
    return setting<double>({Kind::SpacingRight, Col, Row}, m_spacingStd);
}
void clsElementTable::setCellInnerSpacingRight(qint32 Col, qint32 Row, double value) {
    m_settings.insert({Kind::SpacingRight, Col, Row}, value);
    changed();
}
void clsElementTable::setCellInnerSpacing(qint32 Col, qint32 Row, double value) {
    setCellInnerSpacingLeft(Col, Row, value);
    setCellInnerSpacingRight(Col, Row, value);
    setCellInnerSpacingTop(Col, Row, value);
    setCellInnerSpacingBottom(Col, Row, value);
}
double clsElementTable::ColWidth(qint32 Col) const {
    return setting<double>({Kind::ColWidth, Col, 0}, 1.0);
}
void clsElementTable::setColWidth(qint32 Col, double value) {
    m_settings.insert({Kind::ColWidth, Col, 0}, value);
    changed();
}
double clsElementTable::RowHeight(qint32 Row) const {
    return setting<double>({Kind::RowHeight, 0, Row}, -1.0);
}
void clsElementTable::setRowHeight(qint32 Row, double value) {
    m_settings.insert({Kind::RowHeight, 0, Row}, value);
    changed();
}

// ---- layout --------------------------------------------------------------------

void clsElementTable::cover() const {
    m_covered.assign(size_t(m_cols) * size_t(m_rows) + 1, false);
    for (auto it = m_spans.constBegin(); it != m_spans.constEnd(); ++it) {
        const auto [c, r] = it.key();
        if (c < 1 || r < 1)
            continue;
        const qint32 lastRow = std::min<qint64>(m_rows, qint64(r) + it->rows - 1);
        const qint32 lastCol = std::min<qint64>(m_cols, qint64(c) + it->cols - 1);
        for (qint32 rr = r; rr <= lastRow; ++rr)
            for (qint32 cc = c; cc <= lastCol; ++cc)
                if (rr != r || cc != c)
                    m_covered[size_t(rr - 1) * size_t(m_cols) + size_t(cc - 1)] = true;
    }
}

bool clsElementTable::CellVisible(qint32 Col, qint32 Row) const {
    if (Col < 1)
        return true;
    // Inside the grid the covered cells are looked up; outside, the spans
    // are asked one by one.
    if (Col <= m_cols && Row >= 1 && Row <= m_rows && qint64(m_cols) * m_rows <= 50'000'000) {
        if (m_covered.empty())
            cover();
        return !m_covered[size_t(Row - 1) * size_t(m_cols) + size_t(Col - 1)];
    }
    // Cells without span settings never reach beyond themselves.
    for (auto it = m_spans.constBegin(); it != m_spans.constEnd(); ++it) {
        const auto [c, r] = it.key();
        if (c < 1 || c > Col || r < 1 || r > Row || (c == Col && r == Row))
            continue;
        if (r + it->rows - 1 >= Row && c + it->cols - 1 >= Col)
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

clsElementTable::Layout clsElementTable::layoutOn(const DrawDestPtr& DrawDest) const {
    // Heights measured on a destination that measures otherwise are
    // measured anew.
    const clsDrawDest::MeasureKey key =
        DrawDest ? DrawDest->measureKey() : clsDrawDest::MeasureKey();
    if (!(key == m_measuredOn)) {
        m_rowHeights.clear();
        m_measuredOn = key;
    }
    return Layout{DrawDest, m_rowHeights};
}

void clsElementTable::changed() {
    m_rowHeights.clear();
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
    Layout layout = layoutOn(DrawDest);
    return rowHeightReal(Row, layout);
}

double clsElementTable::CellHeight(qint32 Col, qint32 Row, const DrawDestPtr& DrawDest) const {
    Layout layout = layoutOn(DrawDest);
    return cellHeight(Col, Row, layout);
}

double clsElementTable::Height(const DrawDestPtr& DrawDest) const {
    Layout layout = layoutOn(DrawDest);
    return height(layout);
}

double clsElementTable::RowTop(qint32 Row, const DrawDestPtr& DrawDest) const {
    Layout layout = layoutOn(DrawDest);
    return rowTop(Row, layout);
}

// ---- parts ---------------------------------------------------------------------

void clsElementTable::copyCell(clsElementTable& to, qint32 col, qint32 row, qint32 toRow,
                               qint32 span) const {
    for (Kind kind : {Kind::Text, Kind::Font, Kind::Alignment, Kind::SpacingTop, Kind::SpacingLeft,
                      Kind::SpacingBottom, Kind::SpacingRight}) {
        const auto it = m_settings.constFind({kind, col, row});
        if (it != m_settings.constEnd())
            to.m_settings.insert({kind, col, toRow}, *it);
    }
    const auto spanned = m_spans.constFind({col, row});
    if (spanned != m_spans.constEnd()) {
        to.m_spans.insert({col, toRow}, Span{spanned->cols, span});
        to.m_covered.clear();
    }
}

std::shared_ptr<clsElementTable> clsElementTable::CopyRows(qint32 HeaderRows, qint32 First,
                                                           qint32 Last) const {
    auto part = std::make_shared<clsElementTable>();
    part->m_positionTopLeft = pointOf(m_positionTopLeft).Clone();
    part->m_pen = m_pen;
    part->m_cols = m_cols;
    part->m_spacingStd = m_spacingStd;
    part->m_alignmentStd = m_alignmentStd;
    part->m_fontStd = m_fontStd;
    for (qint32 c = 1; c <= m_cols; ++c) {
        const auto width = m_settings.constFind({Kind::ColWidth, c, 0});
        if (width != m_settings.constEnd())
            part->m_settings.insert({Kind::ColWidth, c, 0}, *width);
    }
    HeaderRows = std::clamp(HeaderRows, 0, m_rows);
    First = std::max(First, HeaderRows + 1);
    Last = std::min(Last, m_rows);
    qint32 target = 0;
    auto copyRow = [&](qint32 row, qint32 end) {
        ++target;
        const auto height = m_settings.constFind({Kind::RowHeight, 0, row});
        if (height != m_settings.constEnd())
            part->m_settings.insert({Kind::RowHeight, 0, target}, *height);
        // A row whose cells keep their spans keeps the height measured
        // here; a cut span or a span shown again may change it.
        bool same = true;
        for (qint32 c = 1; c <= m_cols; ++c) {
            if (row == First && !CellVisible(c, row)) {
                same = false;
                // A span from above: its cell again, for the rows left of it.
                for (auto it = m_spans.constBegin(); it != m_spans.constEnd(); ++it) {
                    const auto [sc, sr] = it.key();
                    if (sc == c && sr > HeaderRows && sr < First && sr + it->rows - 1 >= First)
                        copyCell(*part, sc, sr, target,
                                 std::min(sr + it->rows - 1, end) - First + 1);
                }
                continue;
            }
            const qint32 span = CellRowSpan(c, row);
            const qint32 kept = std::min(row + span - 1, end) - row + 1;
            same = same && kept == span;
            copyCell(*part, c, row, target, kept);
        }
        const auto measured = m_rowHeights.constFind(row);
        if (same && measured != m_rowHeights.constEnd())
            part->m_rowHeights.insert(target, *measured);
    };
    for (qint32 r = 1; r <= HeaderRows; ++r)
        copyRow(r, HeaderRows);
    for (qint32 r = First; r <= Last; ++r)
        copyRow(r, Last);
    part->m_rows = target;
    part->m_covered.clear();
    part->m_measuredOn = m_measuredOn;
    return part;
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
    Layout layout = layoutOn(DrawDest);
    dest.setPen(m_pen);
    const clsPoint3D& topLeft = pointOf(m_positionTopLeft);
    const double width = Width();
    dest.DrawRectangle(m_positionTopLeft, topLeft.OffsetClone(width, height(layout), 0));
    // Each row's top and each column's left once, not once per cell.
    std::vector<double> tops(size_t(std::max(m_rows, 0)) + 1, topLeft.Y());
    for (qint32 r = 1; r < m_rows; ++r)
        tops[size_t(r)] = rt::checkedFinite(tops[size_t(r - 1)] + rowHeightReal(r, layout));
    std::vector<double> lefts(size_t(std::max(m_cols, 0)) + 1, topLeft.X());
    for (qint32 c = 1; c < m_cols; ++c)
        lefts[size_t(c)] = rt::checkedFinite(lefts[size_t(c - 1)] + ColWidth(c));
    for (qint32 r = 1; r <= m_rows; ++r) {
        for (qint32 c = 1; c <= m_cols; ++c) {
            if (!CellVisible(c, r))
                continue;
            const double cw = CellWidth(c, r);
            const double ch = cellHeight(c, r, layout);
            const PointPtr corner =
                std::make_shared<clsPoint3D>(lefts[size_t(c - 1)], tops[size_t(r - 1)], 0);
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
