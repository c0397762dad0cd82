// Native builds have no window system: the application object only reads its limits.
#include "app.h"

namespace pq {

void InitialiseApplication() { (void)App(); }

}  // namespace pq
