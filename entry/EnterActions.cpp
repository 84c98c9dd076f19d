#include "EnterActions.h"

EnterActions EnterActions::from(Qt::CheckState appunti, Qt::CheckState svuota)
{
    return {appunti == Qt::Checked, svuota == Qt::Checked};
}
