#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui {
class v02Class;
}

// The launcher: six large buttons, one modal dialog per workshop task.
class v02 : public QMainWindow
{
    Q_OBJECT

public:
    explicit v02(QWidget* aParent = nullptr, Qt::WindowFlags aFlags = {});
    ~v02() override;

private slots:
    void OnVUFirst();
    void OnVUSettings();
    void OnVUCalibrate();
    void OnVUPrint();
    void OnConfigure();

private:
    std::unique_ptr<Ui::v02Class> ui;
};
