#include "gui/toolkit_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

ToolkitTranslation::ToolkitTranslation() : translator_(std::make_unique<QTranslator>()) {}

ToolkitTranslation::~ToolkitTranslation() {
  if (installed_) QCoreApplication::removeTranslator(translator_.get());
}

bool ToolkitTranslation::Install(const std::string& language) {
  if (installed_) {
    QCoreApplication::removeTranslator(translator_.get());
    installed_ = false;
  }
  if (language != "JP") return true;
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator_->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         folder)) {
    return false;
  }
  installed_ = QCoreApplication::installTranslator(translator_.get());
  return installed_;
}
