#pragma once
// When a coding row codes its segment, in SQL, for the store files that
// count or mark coded segments: one of its five lists is not on its empty
// value (row 1, which every new row starts on, and which a null stands for).
// A row left on the five empty values does not make its segment coded.
// `k` names the `Contenus` row in the statement.
#define TELMIRA_ROW_HOLDS_VALUE                                                                    \
    "(coalesce(k.numvar01, 1) <> 1 OR coalesce(k.numvar02, 1) <> 1"                                \
    " OR coalesce(k.numvar03, 1) <> 1 OR coalesce(k.numvar04, 1) <> 1"                            \
    " OR coalesce(k.numvar05, 1) <> 1)"
