#pragma once

#include <Qt>

// What Enter does, from the two check boxes; only a ticked box counts, a greyed one does not.
// The copy always comes before the clearing.
struct EnterActions {
    bool copyToClipboard = false;
    bool clearLine = false;

    static EnterActions from(Qt::CheckState appunti, Qt::CheckState svuota);
};
