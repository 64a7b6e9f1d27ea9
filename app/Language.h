#pragma once

#include <QTranslator>

// Holds the active interface language for the whole program: 1 English (the
// texts in the sources), 2 Russian (the embedded translation). Only the
// program's own texts are translated; Qt's own (box titles, buttons) stay English.
class TLangDispatcher {
public:
    static constexpr int kEnglish = 1;
    static constexpr int kRussian = 2;

    TLangDispatcher();
    ~TLangDispatcher();
    TLangDispatcher(const TLangDispatcher&) = delete;
    TLangDispatcher& operator=(const TLangDispatcher&) = delete;

    int ActiveLanguage() const { return active_; }
    // Setting the active value again does nothing; the other value installs or
    // removes the Russian translation at once. Windows retranslate themselves.
    void SetActiveLanguage(int language);

private:
    QTranslator russian_;
    int active_ = kEnglish;
};
