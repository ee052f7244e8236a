#pragma once
// The words of search, cut as the index of the segments cuts them
// (store/searchindex.h): SQLite's own FTS5 tokenizer "unicode61" with
// "remove_diacritics 2", called directly, so that whatever counts words as
// search does (dictionaries) agrees with a query to the letter. A word is a
// maximal run of letters and digits (apostrophes and hyphens separate), given
// folded: lower case, accents removed ("État" gives "etat"), in UTF-8, with
// its place in the text (UTF-8 bytes, the end excluded).
//
// A tokenizer belongs to the connection it was made from (the engine's FTS5
// module lives there): one per connection, used on that connection's
// thread, never after the connection is closed. Memory: the words of the
// text tokenized last.
//
// Failures throw StoreError (French).
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <string>
#include <vector>

class Connection;
struct fts5_api;

namespace search {

// The words of one text, folded, back to back in one buffer.
struct Tokens
{
    struct Token
    {
        int offset = 0; // of the folded form in `folded`
        int size = 0;   // its bytes
        int start = 0;  // its place in the text, UTF-8 bytes
        int end = 0;    // (excluded)
    };
    std::string folded;
    std::vector<Token> tokens;

    int count() const { return int(tokens.size()); }
    QByteArrayView word(int i) const
    {
        const Token &t = tokens[size_t(i)];
        return QByteArrayView(folded.data() + t.offset, t.size);
    }
    void clear()
    {
        folded.clear();
        tokens.clear();
    }
};

class Tokenizer
{
public:
    // Throws StoreError when the engine has no FTS5.
    explicit Tokenizer(Connection &db);
    ~Tokenizer();
    Tokenizer(const Tokenizer &) = delete;
    Tokenizer &operator=(const Tokenizer &) = delete;

    // Replaces `out` with the words of `utf8`. Throws StoreError.
    void tokenize(QByteArrayView utf8, Tokens *out) const;
    // The folded words of a text given as a QString ("Pouvoir d'achat" gives
    // "pouvoir", "d", "achat"). Throws StoreError.
    std::vector<QByteArray> fold(const QString &text) const;

private:
    struct Impl;
    Impl *d;
};

// The FTS5 interface of a connection. Throws StoreError (French) when the
// engine has none.
fts5_api *fts5Of(Connection &db);

} // namespace search
