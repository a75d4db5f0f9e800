#include "Element.h"

#include "basPictrel.h"

#include "RuntimeError.h"

#include <algorithm>

clsElement::~clsElement() = default;
PointPtr clsElement::BoundingBoxP1(const DrawDestPtr&) {
    return {};
}
PointPtr clsElement::BoundingBoxP2(const DrawDestPtr&) {
    return {};
}
PointPtr clsElement::BoundingBoxCenter(const DrawDestPtr&) {
    return {};
}
void clsElement::Draw(const DrawDestPtr&) {}

clsElement& elementOf(const ElementPtr& element) {
    if (!element)
        rt::raiseError(rt::err::ObjectNotSet);
    return *element;
}

clsDrawDest& drawDestOf(const DrawDestPtr& drawDest) {
    if (!drawDest)
        rt::raiseError(rt::err::ObjectNotSet);
    return *drawDest;
}

void clsElements::Add(const ElementPtr& Element, const QString& Key) {
    const QString key = Key.toCaseFolded();
    if (!key.isEmpty() && m_usedKeys.contains(key))
        rt::raiseError(rt::err::DuplicateKey);
    m_items.push_back(Element);
    m_keys.push_back(key);
    if (!key.isEmpty())
        m_usedKeys.insert(key);
}

int clsElements::positionOf(const QString& key) const {
    const QString folded = key.toCaseFolded();
    if (folded.isEmpty() || !m_usedKeys.contains(folded))
        rt::raiseError(rt::err::InvalidProcedureCall);
    return int(std::find(m_keys.begin(), m_keys.end(), folded) - m_keys.begin()) + 1;
}

ElementPtr clsElements::Item(int Index) const {
    if (Index < 1 || Index > Count())
        rt::raiseError(rt::err::SubscriptOutOfRange);
    return m_items[Index - 1];
}

ElementPtr clsElements::Item(const QString& Key) const {
    return m_items[positionOf(Key) - 1];
}

void clsElements::Remove(int Index) {
    if (Index < 1 || Index > Count())
        rt::raiseError(rt::err::SubscriptOutOfRange);
    m_usedKeys.remove(m_keys[Index - 1]);
    m_items.erase(m_items.begin() + (Index - 1));
    m_keys.erase(m_keys.begin() + (Index - 1));
}

void clsElements::Remove(const QString& Key) {
    Remove(positionOf(Key));
}

void clsElements::Clear() {
    while (Count() > 0)
        Remove(1);
}

namespace {
// The per-axis extreme of the elements' corners: pick chooses the new value
// of an axis from the running one and the element's.
template <class Corner>
PointPtr extremeCorner(const std::vector<ElementPtr>& items, Corner corner,
                       double (*pick)(double, double)) {
    PointPtr result;
    for (const ElementPtr& element : items) {
        const PointPtr p = corner(elementOf(element));
        const clsPoint3D& c = pointOf(p);
        result = result ? perAxis(*result, c, pick) : c.Clone();
    }
    return result;
}
double smaller(double running, double value) {
    return value < running ? value : running;
}
double larger(double running, double value) {
    return value > running ? value : running;
}
} // namespace

PointPtr clsElements::BoundingBoxP1(const DrawDestPtr& DrawDest) const {
    return extremeCorner(
        m_items, [&](clsElement& e) { return e.BoundingBoxP1(DrawDest); }, smaller);
}

PointPtr clsElements::BoundingBoxP2(const DrawDestPtr& DrawDest) const {
    return extremeCorner(
        m_items, [&](clsElement& e) { return e.BoundingBoxP2(DrawDest); }, larger);
}

void clsPictrel::Draw(const DrawDestPtr& DrawDest) const {
    clsDrawDest& dest = drawDestOf(DrawDest);
    if (m_elements)
        for (const ElementPtr& element : *m_elements)
            elementOf(element).Draw(DrawDest);
    dest.setPen(nullptr);
    dest.setBrush(nullptr);
}
