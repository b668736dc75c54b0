#include "lines/StoredLineStart.h"

namespace kelbrin::lines {

bool StartStoredLine(TActiveLine& holder, const settings::TParamInfo& settings) {
  if (!settings.AutoConn || settings.LineName.empty()) return true;
  // The line-type box selects nothing for a stored index outside the table.
  const int tableSize = static_cast<int>(LineTypeTable().size());
  const int lineType = settings.InternalLineType >= 0 && settings.InternalLineType < tableSize
                           ? settings.InternalLineType
                           : -1;
  try {
    holder.StartLine(lineType, settings.LineName, settings.LineUserPwd, settings.LineUserName);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace kelbrin::lines
