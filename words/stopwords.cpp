#include "words/stopwords.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace words {
namespace {

// The list, sorted, read from the resource once.
const std::vector<QString> &stopWords()
{
    static const std::vector<QString> list = [] {
        std::vector<QString> words;
        QFile file(QStringLiteral(":/words/stopwords_fr.txt"));
        if (file.open(QIODevice::ReadOnly)) {
            QTextStream in(&file);
            in.setEncoding(QStringConverter::Utf8);
            QString line;
            while (in.readLineInto(&line)) {
                const QString word = line.trimmed();
                if (!word.isEmpty() && !word.startsWith(QLatin1Char('#')))
                    words.push_back(word.normalized(QString::NormalizationForm_C).toLower());
            }
        }
        std::sort(words.begin(), words.end());
        words.erase(std::unique(words.begin(), words.end()), words.end());
        return words;
    }();
    return list;
}

} // namespace

bool isStopWord(QStringView form)
{
    const std::vector<QString> &list = stopWords();
    const auto it = std::lower_bound(list.begin(), list.end(), form,
                                     [](const QString &a, QStringView b) { return QStringView(a) < b; });
    return it != list.end() && QStringView(*it) == form;
}

int stopWordCount()
{
    return int(stopWords().size());
}

QString stopWordsSource()
{
    return QStringLiteral("Mots vides : la liste française du projet Snowball "
                          "(snowballstem.org, licence BSD), 164 mots, complétée des "
                          "13 formes élidées (l', d', j', m', n', s', t', c', qu', "
                          "jusqu', lorsqu', puisqu', quoiqu').");
}

} // namespace words
