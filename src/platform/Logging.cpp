#include "platform/Logging.h"

namespace corvane {

Q_LOGGING_CATEGORY(lcPlatform, "corvane.platform")

} // namespace corvane
