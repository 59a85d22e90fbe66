#pragma once

#include <QSpinBox>

// Time-zone offset in minutes (local time minus UTC), shown as "+h:mm" and stepped by half an hour.
class CKR_GMTSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit CKR_GMTSpinBox(QWidget* aParent = nullptr);

protected:
    QValidator::State validate(QString& aText, int& aPos) const override;
    int valueFromText(const QString& aText) const override;
    QString textFromValue(int aValue) const override;
};
