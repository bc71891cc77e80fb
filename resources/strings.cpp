// The program's string table.
#include "resources/resource_data.h"

namespace lvx::resdata {

const String kStrings[] = {
    {1, "Lumivex"},  // the saver's display name
};
const std::size_t kStringCount = sizeof(kStrings) / sizeof(kStrings[0]);

}  // namespace lvx::resdata
