#include "words/stemmer.h"

#include <libstemmer.h>

namespace words {

FrenchStemmer::FrenchStemmer()
    : m_stemmer(sb_stemmer_new("french", "UTF_8"))
{
}

FrenchStemmer::~FrenchStemmer()
{
    if (m_stemmer)
        sb_stemmer_delete(m_stemmer);
}

QString FrenchStemmer::stem(const QString &form)
{
    // Without a stemmer (out of memory), or for a word too long for the
    // library's int lengths, the form is its own stem.
    if (!m_stemmer || form.isEmpty())
        return form;
    const QByteArray utf8 = form.toUtf8();
    if (utf8.size() > (1 << 20))
        return form;
    const sb_symbol *stemmed = sb_stemmer_stem(
        m_stemmer, reinterpret_cast<const sb_symbol *>(utf8.constData()), int(utf8.size()));
    if (!stemmed)
        return form;
    return QString::fromUtf8(reinterpret_cast<const char *>(stemmed), sb_stemmer_length(m_stemmer));
}

} // namespace words
