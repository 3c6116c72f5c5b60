// Placeholder until the TagLib implementation lands.
#include "tags/taglibtag.h"
namespace quillet {
void TagLibTag::readTag() {}
bool TagLibTag::writeTag() { m_lastError = QStringLiteral("not implemented"); return false; }
} // namespace quillet
