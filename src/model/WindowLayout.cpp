// Derived texts and hashing of the layout records.
#include "model/WindowLayout.h"

namespace vantrel {
// Implemented with the JSON form and the derived texts.
}  // namespace vantrel
