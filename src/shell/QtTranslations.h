#pragma once

// Qt's own texts (standard buttons, the file dialog, the context menus of
// text fields) in Japanese, like every text of the program.
class QtTranslations
{
public:
    // Installs Qt's Japanese translations; false when they are not installed.
    static bool Install();
};
