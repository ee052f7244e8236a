#include "words/searchquery.h"

namespace words {

SearchQuery parseQuery(const QString &)
{
    return {};
}

} // namespace words
