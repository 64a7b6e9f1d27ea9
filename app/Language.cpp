#include "app/Language.h"

#include "app/Errors.h"

#include <QCoreApplication>

TLangDispatcher::TLangDispatcher() = default;

TLangDispatcher::~TLangDispatcher()
{
    if (active_ == kRussian)
        QCoreApplication::removeTranslator(&russian_);
}

void TLangDispatcher::SetActiveLanguage(int language)
{
    if (language != kRussian)
        language = kEnglish;
    if (language == active_)
        return;
    if (language == kRussian) {
        if (russian_.isEmpty() && !russian_.load(QStringLiteral(":/i18n/quintara_ru.qm")))
            throw EAppError(QStringLiteral("The Russian translation is missing from the program"));
        QCoreApplication::installTranslator(&russian_);
    } else {
        QCoreApplication::removeTranslator(&russian_);
    }
    active_ = language;
}
