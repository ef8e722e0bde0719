#include "palmdocexport.h"

#include "app/frmmain.h"

namespace Output {
void exportPalmDoc(frmMain &) {}
} // namespace Output
