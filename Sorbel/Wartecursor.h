#pragma once

#include <QApplication>

// The wait cursor while long work runs, given back however the work ends.
class Wartecursor {
public:
    Wartecursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Wartecursor() { QApplication::restoreOverrideCursor(); }
    Wartecursor(const Wartecursor&) = delete;
    Wartecursor& operator=(const Wartecursor&) = delete;
};
