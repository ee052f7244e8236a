#pragma once
// The French stem of a word, by Snowball's French stemmer (libstemmer):
// "économiques", "économique", "économie" share « économ ». One stemmer per
// thread; the words are those of words/wordsplit.h.
#include <QString>

struct sb_stemmer;

namespace words {

class FrenchStemmer
{
public:
    FrenchStemmer();
    ~FrenchStemmer();
    FrenchStemmer(const FrenchStemmer &) = delete;
    FrenchStemmer &operator=(const FrenchStemmer &) = delete;

    QString stem(const QString &form);

private:
    sb_stemmer *m_stemmer = nullptr;
};

} // namespace words
