#include "guide/sections.h"

#include <QRegularExpression>

namespace guide {

const std::vector<Section> &sections()
{
    static const std::vector<Section> table = {
        // Telmira.
        {"frmSplash", "accueil"},
        {"frmMenu", "fenetre-principale"},
        {"Newanalyse", "nouvelle-analyse"},
        {"frmAnalyse", "traitement"},
        {"frmOptions", "variables"},
        {"frmAbout", "a-propos"},

        // Analyse de contenu: its windows and dialogs.
        {"Chemin", "textes-analyse"},
        {"textes", "fenetre-codage"},
        {"var_comp_01", "listes"},
        {"var_comp_02", "listes"},
        {"var_comp_03", "listes"},
        {"var_comp_04", "listes"},
        {"var_comp_05", "listes"},
        {"remplacer_par", "remplacer-valeur"},
        {"AjoutTextes", "ajout-textes"},
        {"progressionAjout", "ajout-textes"},
        {"BilanAjout", "bilan-ajout"},
        {"frmExport", "export-csv"},
        {"Resultats", "resultats"},
        {"Recherche", "recherche"},
        {"frmCoderTrouves", "recherche"},
        {"graphique_recherche", "recherche"},
        {"frmVocabulaire", "vocabulaire"},
        {"progression_vocabulaire", "vocabulaire"},
        {"Dictionnaires", "dictionnaires"},
        {"frmCoderDictionnaire", "dictionnaires"},
        {"frmCopieDictionnaire", "dictionnaires"},
        {"progression_codage", "dictionnaires"},
        {"NomDictionnaire", "dictionnaires"},
        {"NomCategorie", "dictionnaires"},
        {"Entree", "dictionnaires"},
        {"fiabilite", "fiabilite"},
        {"CopieCodeur", "copie-codeur"},
        {"frmCodeurs", "refiqda-codeurs"},
        {"frmPlacement", "refiqda-codes"},
        {"sauvegardes", "restaurer"},
        {"progression_sauvegarde", "sauvegardes-automatiques"},
        {"frmNote", "notes"},
        {"frmNotes", "notes"},
        {"frmAttributs", "attributs"},
        {"frmIramuteq", "iramuteq"},
        {"frmSuggestions", "suggestions"},

        // What a Scope names (guide.h): the messages, file dialogs and
        // progress windows of one task.
        {"ouverture_analyse", "textes-analyse"},
        {"nom_codeur", "codeur"},
        {"export_codage", "export-csv"},
        {"export_livre_de_codes", "export-csv"},
        {"export_spss_stata", "export-csv"},
        {"echange_refiqda", "echanges"},
    };
    return table;
}

QString sectionOf(const QString &objectName)
{
    if (objectName.isEmpty())
        return QString();
    for (const Section &s : sections())
        if (objectName == QLatin1String(s.window))
            return QString::fromLatin1(s.anchor);
    return QString();
}

QStringList anchors(const QString &html)
{
    static const QRegularExpression id(
        QStringLiteral("<[a-zA-Z][a-zA-Z0-9]*\\s[^>]*\\b(?:id|name)\\s*=\\s*\"([^\"]+)\""));
    QStringList found;
    for (auto it = id.globalMatch(html); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

} // namespace guide
