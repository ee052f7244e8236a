#pragma once
// The texts of the analysis as a list to tick, shared by the windows that
// restrict their work to chosen texts (coding/restrictionpanel.h, and the
// dictionaries' window): "N - file" with the whole path as tooltip and the
// text's number as the item's data.
#include "store/attributestore.h"
#include "store/codingstore.h"
#include "store/resultsstore.h"

#include <vector>

class QListWidget;

namespace coding {

// Refills `list` with `texts`: a text already listed keeps its mark, a text
// not listed before comes ticked.
void refillTextChecks(QListWidget *list, const std::vector<attributes::Text> &texts);
// The same from the coding store's texts (their counts are not shown).
void refillTextChecks(QListWidget *list, const std::vector<TextInfo> &texts);
// Ticks every text ("Tous") or none ("Aucun").
void checkAllTexts(QListWidget *list, bool on);
// The texts ticked: the whole analysis when all are, else those.
results::Scope checkedTexts(const QListWidget *list);

} // namespace coding
