#pragma once
// The French stop words ("mots vides") the vocabulary can leave out: the
// list shipped with the program (words/stopwords_fr.txt, whose header names
// its source), read once, in the forms words/wordsplit.h gives (lower case,
// elided forms with their apostrophe: « l' », « qu' »).
#include <QString>
#include <QStringView>

namespace words {

bool isStopWord(QStringView form);
// How many words the list holds (177: Snowball's 164 and 13 elided forms).
int stopWordCount();
// Where the list comes from, for the guide and the window.
QString stopWordsSource();

} // namespace words
