#pragma once

#include "Element.h"
#include "Styles.h"
#include "pictrel_export.h"

#include <vector>

enum PointSymbolEnum : int {
    psNone = 0,
    psCircle = 1,
    psRectangle = 2,
    psRomb = 3,
    psTriangle1 = 4,
    psTriangle2 = 5,
    psCross = 10,
    psPlus = 11,
    psAsterix = 12,
};

// A point diagram in a rectangular frame: grid lines with number labels on
// both axes, axis captions, and data rows drawn as lines through their points
// with a symbol at every point.
class PICTREL_EXPORT clsElementDiagramm2DPoint : public clsElement {
public:
    clsElementDiagramm2DPoint();

    PointPtr EdgeTopLeft() const { return m_edgeTopLeft; }
    void setEdgeTopLeft(PointPtr value) { m_edgeTopLeft = std::move(value); }
    PointPtr EdgeBottomRight() const { return m_edgeBottomRight; }
    void setEdgeBottomRight(PointPtr value) { m_edgeBottomRight = std::move(value); }
    PenPtr PenAxis() const { return m_penAxis; }
    void setPenAxis(PenPtr value) { m_penAxis = std::move(value); }
    PenPtr PenGridMajor() const { return m_penGridMajor; }
    void setPenGridMajor(PenPtr value) { m_penGridMajor = std::move(value); }
    PenPtr PenGridMinor() const { return m_penGridMinor; }
    void setPenGridMinor(PenPtr value) { m_penGridMinor = std::move(value); }
    FontPtr FontAxisX() const { return m_fontAxisX; }
    void setFontAxisX(FontPtr value) { m_fontAxisX = std::move(value); }
    FontPtr FontAxisY() const { return m_fontAxisY; }
    void setFontAxisY(FontPtr value) { m_fontAxisY = std::move(value); }
    FontPtr FontAxisXCaption() const { return m_fontAxisXCaption; }
    void setFontAxisXCaption(FontPtr value) { m_fontAxisXCaption = std::move(value); }
    FontPtr FontAxisYCaption() const { return m_fontAxisYCaption; }
    void setFontAxisYCaption(FontPtr value) { m_fontAxisYCaption = std::move(value); }
    double AxisXMin() const { return m_axisXMin; }
    void setAxisXMin(double value) { m_axisXMin = value; }
    double AxisXMax() const { return m_axisXMax; }
    void setAxisXMax(double value) { m_axisXMax = value; }
    double AxisYMin() const { return m_axisYMin; }
    void setAxisYMin(double value) { m_axisYMin = value; }
    double AxisYMax() const { return m_axisYMax; }
    void setAxisYMax(double value) { m_axisYMax = value; }
    QString AxisXCaption() const { return m_axisXCaption; }
    void setAxisXCaption(const QString& value) { m_axisXCaption = value; }
    QString AxisYCaption() const { return m_axisYCaption; }
    void setAxisYCaption(const QString& value) { m_axisYCaption = value; }
    PointPtr AxisXCaptionOffset() const { return m_axisXCaptionOffset; }
    void setAxisXCaptionOffset(PointPtr value) { m_axisXCaptionOffset = std::move(value); }
    PointPtr AxisYCaptionOffset() const { return m_axisYCaptionOffset; }
    void setAxisYCaptionOffset(PointPtr value) { m_axisYCaptionOffset = std::move(value); }
    QString AxisXNumberFormat() const { return m_axisXNumberFormat; }
    void setAxisXNumberFormat(const QString& value) { m_axisXNumberFormat = value; }
    QString AxisYNumberFormat() const { return m_axisYNumberFormat; }
    void setAxisYNumberFormat(const QString& value) { m_axisYNumberFormat = value; }
    double AxisXGridMajorStep() const { return m_axisXGridMajorStep; }
    void setAxisXGridMajorStep(double value) { m_axisXGridMajorStep = value; }
    double AxisXGridMinorStep() const { return m_axisXGridMinorStep; }
    void setAxisXGridMinorStep(double value) { m_axisXGridMinorStep = value; }
    double AxisYGridMajorStep() const { return m_axisYGridMajorStep; }
    void setAxisYGridMajorStep(double value) { m_axisYGridMajorStep = value; }
    double AxisYGridMinorStep() const { return m_axisYGridMinorStep; }
    void setAxisYGridMinorStep(double value) { m_axisYGridMinorStep = value; }
    // Stored only; drawing does not use the offsets.
    double AxisXGridMajorOffset() const { return m_axisXGridMajorOffset; }
    void setAxisXGridMajorOffset(double value) { m_axisXGridMajorOffset = value; }
    double AxisXGridMinorOffset() const { return m_axisXGridMinorOffset; }
    void setAxisXGridMinorOffset(double value) { m_axisXGridMinorOffset = value; }
    double AxisYGridMajorOffset() const { return m_axisYGridMajorOffset; }
    void setAxisYGridMajorOffset(double value) { m_axisYGridMajorOffset = value; }
    double AxisYGridMinorOffset() const { return m_axisYGridMinorOffset; }
    void setAxisYGridMinorOffset(double value) { m_axisYGridMinorOffset = value; }
    bool AxisYFlip() const { return m_axisYFlip; }
    void setAxisYFlip(bool value) { m_axisYFlip = value; }

    // Data rows, numbered from 1; rows up to Row are created as needed.
    void AddPoint(qint32 Row, PointPtr Point);
    void setRowLinePen(qint32 Row, PenPtr value);
    void setRowPointPen(qint32 Row, PenPtr value);
    void setRowPointBrush(qint32 Row, BrushPtr value);
    void setRowPointSymbol(qint32 Row, PointSymbolEnum value);
    void setRowPointSymbolSize(qint32 Row, double value);
    // The number of rows (the highest row number).
    qint32 RowCount() const { return qint32(m_rowData.size()) - 1; }
    // A row's points and symbol size; an unknown row has none.
    std::vector<PointPtr> RowPoints(qint32 Row) const {
        return Row >= 1 && Row <= RowCount() ? m_rowData[size_t(Row)].points
                                             : std::vector<PointPtr>();
    }
    double RowPointSymbolSize(qint32 Row) const {
        return Row >= 1 && Row <= RowCount() ? m_rowData[size_t(Row)].symbolSize : 0.0;
    }

    PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest) override;
    PointPtr BoundingBoxCenter(const DrawDestPtr& DrawDest) override;
    void Draw(const DrawDestPtr& DrawDest) override;

private:
    struct DataRow {
        std::vector<PointPtr> points;
        PenPtr linePen;
        PenPtr pointPen;
        BrushPtr pointBrush;
        PointSymbolEnum symbol = psNone;
        double symbolSize = 0;
    };
    DataRow& row(qint32 Row);
    void drawSymbol(clsDrawDest& dest, const DataRow& row, const clsPoint3D& c);

    // The steps of Draw; both axes are drawn by the same code.
    enum class Axis { X, Y };
    struct Frame;
    struct AxisSettings {
        double min, max, majorStep, minorStep;
        const FontPtr& font;
        const QString& numberFormat;
    };
    AxisSettings settings(Axis axis) const;
    // Where a value of an axis lies on the page.
    double toPage(const Frame& f, Axis axis, double value) const;
    int labelAlignment(const Frame& f, Axis axis, double value, bool end) const;
    double drawMajorGrid(const Frame& f, Axis axis) const;
    void drawMinorGrid(const Frame& f, Axis axis) const;
    void drawXCaption(const Frame& f) const;
    void drawYCaption(const Frame& f, double labelWidth) const;
    void drawRows(const Frame& f);

    PointPtr m_edgeTopLeft = std::make_shared<clsPoint3D>();
    PointPtr m_edgeBottomRight = std::make_shared<clsPoint3D>();
    PenPtr m_penAxis, m_penGridMajor, m_penGridMinor;
    FontPtr m_fontAxisX, m_fontAxisY, m_fontAxisXCaption, m_fontAxisYCaption;
    double m_axisXMin = 0, m_axisXMax = 0, m_axisYMin = 0, m_axisYMax = 0;
    QString m_axisXCaption, m_axisYCaption;
    PointPtr m_axisXCaptionOffset = std::make_shared<clsPoint3D>();
    PointPtr m_axisYCaptionOffset = std::make_shared<clsPoint3D>();
    QString m_axisXNumberFormat = QStringLiteral("#,##0.00");
    QString m_axisYNumberFormat = QStringLiteral(" #,##0.00 ");
    double m_axisXGridMajorStep = 0, m_axisXGridMinorStep = 0;
    double m_axisYGridMajorStep = 0, m_axisYGridMinorStep = 0;
    double m_axisXGridMajorOffset = 0, m_axisXGridMinorOffset = 0;
    double m_axisYGridMajorOffset = 0, m_axisYGridMinorOffset = 0;
    bool m_axisYFlip = false;
    std::vector<DataRow> m_rowData; // slot 0 is never drawn
};

using ElementDiagramm2DPointPtr = std::shared_ptr<clsElementDiagramm2DPoint>;
