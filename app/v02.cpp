#include "app/v02.h"

#include "app/Launch.h"
#include "dialogs/CKR_ClbrDlg.h"
#include "dialogs/CKR_FirstDlg.h"
#include "dialogs/CKR_VUInfoDlg.h"
#include "records/CKR_CerifDlg.h"
#include "records/CKR_ConfigDlg.h"
#include "widgets/WheelGuard.h"

#include "ui_v02.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>

v02::v02(QWidget* aParent, Qt::WindowFlags aFlags)
    : QMainWindow(aParent, aFlags), ui(std::make_unique<Ui::v02Class>())
{
    // Eight-bit texts of the program are Windows-1251: that is settled where they are converted
    // (link/CodePage.h), Qt 6 having no process-wide codec.
    ui->setupUi(this);
    // Every dialog opened from here scrolls its form with the wheel without changing the fields on the way.
    WheelGuard::Install(this);

    connect(ui->btnFirst, &QPushButton::clicked, this, &v02::OnVUFirst);
    connect(ui->btnInfo, &QPushButton::clicked, this, &v02::OnVUSettings);
    connect(ui->btnCalibr, &QPushButton::clicked, this, &v02::OnVUCalibrate);
    connect(ui->btnPrint, &QPushButton::clicked, this, &v02::OnVUPrint);
    connect(ui->btnPrint_2, &QPushButton::clicked, this, &v02::OnConfigure);
    connect(ui->btnClose, &QPushButton::clicked, this, &QWidget::close);

    // Centred on the available area by its size alone; on a screen smaller than the window the position is
    // negative and used as it is.
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    move((available.width() - width()) / 2, (available.height() - height()) / 2);
}

v02::~v02() = default;

void v02::OnVUFirst()
{
    qDebug() << "OnVUFirst";
    LaunchHiding<CKR_FirstDlg>(this);
}

void v02::OnVUSettings()
{
    qDebug() << "OnOnVUInfo";
    LaunchHiding<CKR_VUInfoDlg>(this);
}

void v02::OnVUCalibrate()
{
    qDebug() << "OnVUCalibrate";
    LaunchChild<CKR_ClbrDlg>(this, true);
}

void v02::OnVUPrint()
{
    LaunchChild<CKR_CerifDlg>(this, false);
}

void v02::OnConfigure()
{
    qDebug() << "OnConfigure";
    LaunchChild<CKR_ConfigDlg>(this, false);
}
