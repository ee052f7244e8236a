#include "exchange/htmlentities.h"

#include <QHash>

namespace exchange::htmlentities {

namespace {

struct Named
{
    const char *name;
    char16_t code;
};

// Latin-1 from U+00A0 to U+00FF, in code order.
const char *const kLatin1[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",
    "uml",    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",
    "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot",
    "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest",
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",
    "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",
    "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",
    "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// The Greek capitals U+0391..U+03A9 (no U+03A2) and small letters
// U+03B1..U+03C9, in code order.
const char *const kGreekCapitals[17 + 7] = {
    "Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Zeta",  "Eta",     "Theta",
    "Iota",  "Kappa", "Lambda", "Mu",  "Nu",      "Xi",    "Omicron", "Pi",
    "Rho",   "Sigma", "Tau",  "Upsilon", "Phi",   "Chi",   "Psi",     "Omega"};
const char *const kGreekSmall[25] = {
    "alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta",     "theta",  "iota",
    "kappa", "lambda", "mu",  "nu",    "xi",      "omicron", "pi",   "rho",    "sigmaf",
    "sigma", "tau",  "upsilon", "phi", "chi",     "psi",  "omega"};

const Named kOthers[] = {
    {"quot", 0x22}, {"amp", 0x26}, {"apos", 0x27}, {"lt", 0x3C}, {"gt", 0x3E},
    {"OElig", 0x152}, {"oelig", 0x153}, {"Scaron", 0x160}, {"scaron", 0x161},
    {"Yuml", 0x178}, {"fnof", 0x192}, {"circ", 0x2C6}, {"tilde", 0x2DC},
    {"thetasym", 0x3D1}, {"upsih", 0x3D2}, {"piv", 0x3D6},
    {"ensp", 0x2002}, {"emsp", 0x2003}, {"thinsp", 0x2009}, {"zwnj", 0x200C},
    {"zwj", 0x200D}, {"lrm", 0x200E}, {"rlm", 0x200F}, {"ndash", 0x2013},
    {"mdash", 0x2014}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"sbquo", 0x201A},
    {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bdquo", 0x201E}, {"dagger", 0x2020},
    {"Dagger", 0x2021}, {"bull", 0x2022}, {"hellip", 0x2026}, {"permil", 0x2030},
    {"prime", 0x2032}, {"Prime", 0x2033}, {"lsaquo", 0x2039}, {"rsaquo", 0x203A},
    {"oline", 0x203E}, {"frasl", 0x2044}, {"euro", 0x20AC}, {"image", 0x2111},
    {"weierp", 0x2118}, {"real", 0x211C}, {"trade", 0x2122}, {"alefsym", 0x2135},
    {"larr", 0x2190}, {"uarr", 0x2191}, {"rarr", 0x2192}, {"darr", 0x2193},
    {"harr", 0x2194}, {"crarr", 0x21B5}, {"lArr", 0x21D0}, {"uArr", 0x21D1},
    {"rArr", 0x21D2}, {"dArr", 0x21D3}, {"hArr", 0x21D4}, {"forall", 0x2200},
    {"part", 0x2202}, {"exist", 0x2203}, {"empty", 0x2205}, {"nabla", 0x2207},
    {"isin", 0x2208}, {"notin", 0x2209}, {"ni", 0x220B}, {"prod", 0x220F},
    {"sum", 0x2211}, {"minus", 0x2212}, {"lowast", 0x2217}, {"radic", 0x221A},
    {"prop", 0x221D}, {"infin", 0x221E}, {"ang", 0x2220}, {"and", 0x2227},
    {"or", 0x2228}, {"cap", 0x2229}, {"cup", 0x222A}, {"int", 0x222B},
    {"there4", 0x2234}, {"sim", 0x223C}, {"cong", 0x2245}, {"asymp", 0x2248},
    {"ne", 0x2260}, {"equiv", 0x2261}, {"le", 0x2264}, {"ge", 0x2265},
    {"sub", 0x2282}, {"sup", 0x2283}, {"nsub", 0x2284}, {"sube", 0x2286},
    {"supe", 0x2287}, {"oplus", 0x2295}, {"otimes", 0x2297}, {"perp", 0x22A5},
    {"sdot", 0x22C5}, {"lceil", 0x2308}, {"rceil", 0x2309}, {"lfloor", 0x230A},
    {"rfloor", 0x230B}, {"lang", 0x27E8}, {"rang", 0x27E9}, {"loz", 0x25CA},
    {"spades", 0x2660}, {"clubs", 0x2663}, {"hearts", 0x2665}, {"diams", 0x2666}};

struct Table
{
    QHash<QString, char16_t> all;
    QHash<QString, char16_t> legacy; // taken without a semicolon
    int longestLegacy = 0;

    Table()
    {
        for (int i = 0; i < 96; ++i) {
            const QString name = QString::fromLatin1(kLatin1[i]);
            all.insert(name, char16_t(0xA0 + i));
            legacy.insert(name, char16_t(0xA0 + i));
        }
        for (int i = 0; i < 24; ++i)
            all.insert(QString::fromLatin1(kGreekCapitals[i]),
                       char16_t(0x391 + i + (i >= 17 ? 1 : 0)));
        for (int i = 0; i < 25; ++i)
            all.insert(QString::fromLatin1(kGreekSmall[i]), char16_t(0x3B1 + i));
        for (const Named &n : kOthers)
            all.insert(QString::fromLatin1(n.name), n.code);
        for (const char *name : {"amp", "lt", "gt", "quot"})
            legacy.insert(QString::fromLatin1(name), all.value(QString::fromLatin1(name)));
        for (auto it = legacy.cbegin(); it != legacy.cend(); ++it)
            longestLegacy = std::max(longestLegacy, int(it.key().size()));
    }
};

const Table &table()
{
    static const Table t;
    return t;
}

// What browsers make of the C1 codes in a numeric reference (Windows-1252);
// 0 where Windows-1252 leaves the code undefined.
const char16_t kC1[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                          0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool isAsciiAlnum(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

void appendCodePoint(QString &out, char32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    else if (code >= 0x80 && code <= 0x9F && kC1[code - 0x80])
        code = kC1[code - 0x80];
    if (code > 0xFFFF) {
        out += QChar(QChar::highSurrogate(code));
        out += QChar(QChar::lowSurrogate(code));
    } else {
        out += QChar(char16_t(code));
    }
}

} // namespace

qsizetype decode(QStringView text, qsizetype pos, QString &out, bool strict)
{
    const qsizetype n = text.size();
    qsizetype i = pos + 1;
    if (i < n && text[i] == u'#') {
        ++i;
        const bool hex = i < n && (text[i] == u'x' || text[i] == u'X');
        if (hex)
            ++i;
        const qsizetype digits = i;
        char32_t value = 0;
        for (; i < n; ++i) {
            const int d = hex ? hexValue(text[i].unicode())
                              : (text[i] >= u'0' && text[i] <= u'9' ? text[i].unicode() - u'0'
                                                                    : -1);
            if (d < 0)
                break;
            value = value * (hex ? 16 : 10) + char32_t(d);
            if (value > 0x10FFFF)
                value = 0x110000; // stays out of range however long it runs
        }
        if (i == digits)
            return pos;
        if (i < n && text[i] == u';')
            ++i;
        else if (strict)
            return pos;
        appendCodePoint(out, value);
        return i;
    }
    qsizetype end = i;
    while (end < n && isAsciiAlnum(text[end].unicode()) && end - i < 32)
        ++end;
    if (end == i)
        return pos;
    const Table &t = table();
    if (end < n && text[end] == u';') {
        const auto it = t.all.constFind(text.sliced(i, end - i).toString());
        if (it != t.all.cend()) {
            out += QChar(*it);
            return end + 1;
        }
    }
    if (strict)
        return pos;
    for (qsizetype len = std::min<qsizetype>(end - i, t.longestLegacy); len > 0; --len) {
        const auto it = t.legacy.constFind(text.sliced(i, len).toString());
        if (it != t.legacy.cend()) {
            out += QChar(*it);
            return i + len;
        }
    }
    return pos;
}

} // namespace exchange::htmlentities
