#pragma once

#include "Element.h"
#include "Styles.h"
#include "pictrel_export.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <variant>
#include <vector>

// A grid of text cells with column widths, fixed or text-driven row heights,
// cells spanning several columns or rows, per-cell fonts, alignments and
// inner spacings. Columns and rows count from 1; row 1 is at the top.
class PICTREL_EXPORT clsElementTable : public clsElement {
public:
    PointPtr PositionTopLeft() const { return m_positionTopLeft; }
    void setPositionTopLeft(PointPtr value) { m_positionTopLeft = std::move(value); }
    PenPtr Pen() const { return m_pen; }
    void setPen(PenPtr value) { m_pen = std::move(value); }
    qint32 Rows() const { return m_rows; }
    void setRows(qint32 value) {
        m_rows = value;
        m_covered.clear();
        changed();
    }
    qint32 Cols() const { return m_cols; }
    void setCols(qint32 value) {
        m_cols = value;
        m_covered.clear();
        changed();
    }
    double CellInnerSpacingStd() const { return m_spacingStd; }
    void setCellInnerSpacingStd(double value) {
        m_spacingStd = value;
        changed();
    }
    TextAlignmentEnum CellAlignmentStd() const { return m_alignmentStd; }
    void setCellAlignmentStd(TextAlignmentEnum value) { m_alignmentStd = value; }
    FontPtr CellFontStd() const { return m_fontStd; }
    void setCellFontStd(FontPtr value) {
        m_fontStd = std::move(value);
        changed();
    }

    // Per-cell, per-column and per-row settings.
    QString TextMatrix(qint32 Col, qint32 Row) const;
    void setTextMatrix(qint32 Col, qint32 Row, const QString& value);
    FontPtr CellFont(qint32 Col, qint32 Row) const;
    void setCellFont(qint32 Col, qint32 Row, FontPtr value);
    qint32 CellColSpan(qint32 Col, qint32 Row) const;
    void setCellColSpan(qint32 Col, qint32 Row, qint32 value);
    qint32 CellRowSpan(qint32 Col, qint32 Row) const;
    void setCellRowSpan(qint32 Col, qint32 Row, qint32 value);
    TextAlignmentEnum CellAlignment(qint32 Col, qint32 Row) const;
    void setCellAlignment(qint32 Col, qint32 Row, TextAlignmentEnum value);
    double CellInnerSpacingTop(qint32 Col, qint32 Row) const;
    void setCellInnerSpacingTop(qint32 Col, qint32 Row, double value);
    double CellInnerSpacingLeft(qint32 Col, qint32 Row) const;
    void setCellInnerSpacingLeft(qint32 Col, qint32 Row, double value);
    double CellInnerSpacingBottom(qint32 Col, qint32 Row) const;
    void setCellInnerSpacingBottom(qint32 Col, qint32 Row, double value);
    double CellInnerSpacingRight(qint32 Col, qint32 Row) const;
    void setCellInnerSpacingRight(qint32 Col, qint32 Row, double value);
    // Sets left, right, top and bottom spacing at once.
    void setCellInnerSpacing(qint32 Col, qint32 Row, double value);
    double ColWidth(qint32 Col) const;
    void setColWidth(qint32 Col, double value);
    // A negative height means automatic (from the row's texts).
    double RowHeight(qint32 Row) const;
    void setRowHeight(qint32 Row, double value);

    // Derived measures, in drawing units.
    double RowHeightReal(qint32 Row, const DrawDestPtr& DrawDest) const;
    double CellWidth(qint32 Col, qint32 Row) const;
    double CellHeight(qint32 Col, qint32 Row, const DrawDestPtr& DrawDest) const;
    double Width() const;
    double Height(const DrawDestPtr& DrawDest) const;
    double RowTop(qint32 Row, const DrawDestPtr& DrawDest) const;
    double ColLeft(qint32 Col) const;
    // False when a cell up and to the left spans over this one.
    bool CellVisible(qint32 Col, qint32 Row) const;

    // A new table with the same settings holding the rows 1 to HeaderRows and
    // then the rows First to Last: the part of a long table that goes onto one
    // page. Spans end with the part; a cell spanning into First from above is
    // shown again at First, spanning what remains of it within the part.
    std::shared_ptr<clsElementTable> CopyRows(qint32 HeaderRows, qint32 First, qint32 Last) const;

    PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxCenter(const DrawDestPtr& DrawDest) override;
    void Draw(const DrawDestPtr& DrawDest) override;

private:
    using Setting = std::variant<QString, FontPtr, qint32, double>;
    // Row heights measured once and kept until a setting changes or they
    // are asked for on another destination or scale. A font is a setting by
    // its object: a font changed in place after measuring is not seen.
    struct Layout {
        const DrawDestPtr& drawDest;
        QHash<qint32, double>& rowHeights;
    };
    Layout layoutOn(const DrawDestPtr& DrawDest) const;
    void changed();
    mutable QHash<qint32, double> m_rowHeights;
    mutable clsDrawDest::MeasureKey m_measuredOn;
    double rowHeightReal(qint32 Row, Layout& layout) const;
    double cellHeight(qint32 Col, qint32 Row, Layout& layout) const;
    double rowTop(qint32 Row, Layout& layout) const;
    double height(Layout& layout) const;

    // What a setting is about; with a column and a row (0 where unused).
    enum class Kind : quint8 {
        Text,
        Font,
        Alignment,
        SpacingTop,
        SpacingLeft,
        SpacingBottom,
        SpacingRight,
        ColWidth,
        RowHeight,
    };
    struct Key {
        Kind kind;
        qint32 col;
        qint32 row;
        bool operator==(const Key&) const = default;
        friend size_t qHash(const Key& k, size_t seed = 0) {
            return qHashMulti(seed, quint8(k.kind), k.col, k.row);
        }
    };
    struct Span {
        qint32 cols = 1;
        qint32 rows = 1;
    };
    // Copies every setting of a cell to another row of another table, with the
    // row span it is to have there.
    void copyCell(clsElementTable& to, qint32 col, qint32 row, qint32 toRow, qint32 span) const;
    template <class T>
    T setting(const Key& key, const T& fallback) const;

    PointPtr m_positionTopLeft = std::make_shared<clsPoint3D>();
    PenPtr m_pen;
    qint32 m_rows = 0;
    qint32 m_cols = 0;
    double m_spacingStd = 0;
    TextAlignmentEnum m_alignmentStd = AlignCenterMiddle;
    FontPtr m_fontStd;
    QHash<Key, Setting> m_settings;
    // Cells with a span setting: only they can cover other cells.
    QHash<QPair<qint32, qint32>, Span> m_spans;
    // Which cells of the grid a span covers, made when first asked after a
    // change of the spans or the grid's size (empty: not made).
    mutable std::vector<bool> m_covered;
    void cover() const;
};

using ElementTablePtr = std::shared_ptr<clsElementTable>;
