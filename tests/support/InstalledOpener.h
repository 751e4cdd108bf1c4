#pragma once

#include "DocumentOpener.h"

// Makes `opener` the one the windows use for as long as this object lives.
// The desktop's own comes back however the test ends, a failed assertion
// included, so no later test hands a file to an opener that is gone.
class InstalledOpener {
public:
    explicit InstalledOpener(DocumentOpener& opener) { DocumentOpener::setCurrent(&opener); }
    ~InstalledOpener() { DocumentOpener::setCurrent(nullptr); }
    InstalledOpener(const InstalledOpener&) = delete;
    InstalledOpener& operator=(const InstalledOpener&) = delete;
};
