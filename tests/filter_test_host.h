// The filter tests' host: the article table's fields, as the store exports
// them for compiling filter texts without a table (store/article_filter_host.h).
#pragma once

#include "store/article_filter_host.h"

namespace filter_test {

using ArticleHost = store::ArticleFilterHost;

}  // namespace filter_test
