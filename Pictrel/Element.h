#pragma once

#include "DrawDest.h"
#include "Point3D.h"
#include "pictrel_export.h"

#include <QSet>
#include <QString>

#include <memory>
#include <vector>

// The element interface: a bounding box in drawing coordinates and drawing
// onto a destination. This class itself does nothing and returns nothing.
class PICTREL_EXPORT clsElement : public std::enable_shared_from_this<clsElement> {
public:
    virtual ~clsElement();
    // The corner with the smallest coordinates; nothing when there is no box.
    virtual PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest);
    // The corner with the largest coordinates.
    virtual PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest);
    virtual PointPtr BoundingBoxCenter(const DrawDestPtr& DrawDest);
    virtual void Draw(const DrawDestPtr& DrawDest);
};

using ElementPtr = std::shared_ptr<clsElement>;

// The elements of a drawing in insertion order, positions from 1, each
// optionally under a unique key (letter case ignored).
class PICTREL_EXPORT clsElements {
public:
    // Appends Element; an empty Key adds it without key. A key in use: error 457.
    void Add(const ElementPtr& Element, const QString& Key = QString());
    // By 1-based position (error 9 outside 1 to Count) or by key (error 5).
    ElementPtr Item(int Index) const;
    ElementPtr Item(const QString& Key) const;
    int Count() const { return int(m_items.size()); }
    void Remove(int Index);
    void Remove(const QString& Key);
    void Clear();

    // Enumeration in position order.
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

    // Per-axis minimum of the elements' P1 corners (maximum of the P2 corners);
    // nothing for an empty collection.
    PointPtr BoundingBoxP1(const DrawDestPtr& DrawDest) const;
    PointPtr BoundingBoxP2(const DrawDestPtr& DrawDest) const;

private:
    int positionOf(const QString& key) const;

    std::vector<ElementPtr> m_items;
    std::vector<QString> m_keys; // parallel to m_items: case-folded key, empty when none
    QSet<QString> m_usedKeys;
};

using ElementsPtr = std::shared_ptr<clsElements>;

// A drawing: a collection of elements.
class PICTREL_EXPORT clsPictrel {
public:
    ElementsPtr Elements() const { return m_elements; }
    void setElements(ElementsPtr value) { m_elements = std::move(value); }
    // Draws every element in order, then sets the destination's pen and brush
    // to nothing.
    void Draw(const DrawDestPtr& DrawDest) const;

private:
    ElementsPtr m_elements = std::make_shared<clsElements>();
};

using PictrelPtr = std::shared_ptr<clsPictrel>;

// The element an object reference holds; error 91 when it holds none.
PICTREL_EXPORT clsElement& elementOf(const ElementPtr& element);
PICTREL_EXPORT clsDrawDest& drawDestOf(const DrawDestPtr& drawDest);
