#include "store/searchtokens.h"

#include "store/connection.h"
#include "store/statement.h"
#include "store/storeerror.h"

#include <sqlite3.h>

namespace search {

fts5_api *fts5Of(Connection &db)
{
    fts5_api *api = nullptr;
    {
        Statement stmt(db, "SELECT fts5(?1)");
        const int rc = sqlite3_bind_pointer(stmt.handle(), 1, &api, "fts5_api_ptr", nullptr);
        if (rc != SQLITE_OK)
            throw StoreError(QStringLiteral("La recherche n'est pas disponible : %1.")
                                 .arg(db.failure(rc)));
        stmt.step();
    }
    if (!api || api->iVersion < 2)
        throw StoreError(QStringLiteral("La recherche n'est pas disponible : le moteur de base de "
                                        "données n'a pas d'index de texte intégral (FTS5)."));
    return api;
}

struct Tokenizer::Impl
{
    fts5_tokenizer methods{};
    Fts5Tokenizer *tokenizer = nullptr;
};

namespace {

int onToken(void *context, int flags, const char *token, int size, int start, int end)
{
    if ((flags & FTS5_TOKEN_COLOCATED) != 0)
        return SQLITE_OK; // another form at the same place: the place is the first one's
    auto *out = static_cast<Tokens *>(context);
    Tokens::Token t;
    t.offset = int(out->folded.size());
    t.size = size;
    t.start = start;
    t.end = end;
    out->folded.append(token, size_t(size));
    out->tokens.push_back(t);
    return SQLITE_OK;
}

} // namespace

Tokenizer::Tokenizer(Connection &db) : d(new Impl)
{
    try {
        fts5_api *api = fts5Of(db);
        void *context = nullptr;
        int rc = api->xFindTokenizer(api, "unicode61", &context, &d->methods);
        // The index's own arguments (store/searchindex.cpp).
        const char *arguments[] = {"remove_diacritics", "2"};
        if (rc == SQLITE_OK)
            rc = d->methods.xCreate(context, arguments, 2, &d->tokenizer);
        if (rc != SQLITE_OK)
            throw StoreError(QStringLiteral("Les mots de la recherche ne peuvent pas être "
                                            "découpés : %1.")
                                 .arg(db.failure(rc)));
    } catch (...) {
        delete d;
        throw;
    }
}

Tokenizer::~Tokenizer()
{
    if (d->tokenizer)
        d->methods.xDelete(d->tokenizer);
    delete d;
}

void Tokenizer::tokenize(QByteArrayView utf8, Tokens *out) const
{
    out->clear();
    if (utf8.isEmpty())
        return;
    const int rc = d->methods.xTokenize(d->tokenizer, out, FTS5_TOKENIZE_DOCUMENT, utf8.data(),
                                        int(utf8.size()), onToken);
    if (rc != SQLITE_OK)
        throw StoreError(QStringLiteral("Les mots d'un segment n'ont pas pu être découpés : %1.")
                             .arg(engineCause(rc)));
}

std::vector<QByteArray> Tokenizer::fold(const QString &text) const
{
    const QByteArray utf8 = text.toUtf8();
    Tokens tokens;
    tokenize(QByteArrayView(utf8), &tokens);
    std::vector<QByteArray> words;
    words.reserve(size_t(tokens.count()));
    for (int i = 0; i < tokens.count(); ++i)
        words.push_back(tokens.word(i).toByteArray());
    return words;
}

} // namespace search
