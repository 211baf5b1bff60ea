#pragma once

#include <QString>

// The desktop's associations.
class Associations
{
public:
    virtual ~Associations() = default;
    // The program the desktop opens the document with; empty when there is none.
    virtual QString executableFor(const QString& documentPath) const = 0;
    // The plain-text editor to open listings in; empty when none is found.
    virtual QString textEditor() const = 0;
};
