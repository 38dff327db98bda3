#pragma once
// A description with one very large table (and one job, so that it loads as
// any other), for the table viewer's benchmark and for trying the viewer on
// a table of hundreds of thousands of rows.
#include <kitbox/Result.h>

#include <string>

namespace bench {

constexpr int largeTableRows = 200000;
constexpr int largeTableColumns = 20;
inline const std::string largeTableName = "TAB_GROSS";

kitbox::Status writeLargeTableDescription(const std::string &path, const std::string &ecuName, int rows, int columns);

} // namespace bench
