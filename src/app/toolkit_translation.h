#pragma once
// The toolkit's own texts (standard buttons, file dialogs) in Japanese, as the rest of the
// program speaks: the Japanese catalogue of Qt's base module, from Qt's translations folder.
class QCoreApplication;

namespace tqx {

// Installs the catalogue into `app` for as long as it runs. False when the catalogue is not
// there (the toolkit's texts then stay in English).
bool installToolkitTranslation(QCoreApplication& app);

}  // namespace tqx
