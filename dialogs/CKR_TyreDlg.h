#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class VUC_Tyre;
}

// Tyre circumference calculator: shows while typing which notation was recognised and the resulting L;
// OK is enabled only for a positive L.
class CKR_TyreDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CKR_TyreDlg(const QString& aTyre, QWidget* aParent = nullptr, Qt::WindowFlags aFlags = {});
    ~CKR_TyreDlg() override;

    // L for the current text, -1 when the text is not recognised.
    int GetLConst() const;
    // The current text as typed (blanks included).
    QString GetTyreSize() const;

public slots:
    void OnChanged(const QString& aNewVal);

private:
    std::unique_ptr<Ui::VUC_Tyre> mUi;
};
