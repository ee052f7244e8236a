#pragma once

// Loads Qt's own French translations ("qtbase_fr" from Qt's translations
// folder) into the running application, so that its standard dialogs say
// "Ouvrir" and "Annuler". False when they cannot be found.
bool installQtFrenchTranslations();
