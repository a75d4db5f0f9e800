#include "Fensterfabrik.h"

namespace {
Fensterfabrik* registered = nullptr;
}

Fensterfabrik::~Fensterfabrik() = default;

Fensterfabrik* Fensterfabrik::instance() {
    return registered;
}

Fensterfabrik* Fensterfabrik::setInstance(Fensterfabrik* factory) {
    Fensterfabrik* previous = registered;
    registered = factory;
    return previous;
}
