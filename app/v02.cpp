#include "app/v02.h"

#include "app/Launch.h"

#include "ui_v02.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>

// Each task dialog is opened as soon as its class is part of the tree.
#if __has_include("dialogs/CKR_FirstDlg.h") && __has_include("dialogs/CKR_FirstDlg.cpp")
#include "dialogs/CKR_FirstDlg.h"
#define VELMORA_HAVE_FIRST_DLG 1
#endif
#if __has_include("dialogs/CKR_VUInfoDlg.h") && __has_include("dialogs/CKR_VUInfoDlg.cpp")
#include "dialogs/CKR_VUInfoDlg.h"
#define VELMORA_HAVE_INFO_DLG 1
#endif
#if __has_include("dialogs/CKR_ClbrDlg.h") && __has_include("dialogs/CKR_ClbrDlg.cpp")
#include "dialogs/CKR_ClbrDlg.h"
#define VELMORA_HAVE_CLBR_DLG 1
#endif
#if __has_include("records/CKR_CerifDlg.h") && __has_include("records/CKR_CerifDlg.cpp")
#include "records/CKR_CerifDlg.h"
#define VELMORA_HAVE_CERIF_DLG 1
#endif
#if __has_include("records/CKR_ConfigDlg.h") && __has_include("records/CKR_ConfigDlg.cpp")
#include "records/CKR_ConfigDlg.h"
#define VELMORA_HAVE_CONFIG_DLG 1
#endif

v02::v02(QWidget* aParent, Qt::WindowFlags aFlags)
    : QMainWindow(aParent, aFlags), ui(std::make_unique<Ui::v02Class>())
{
    // Eight-bit texts of the program are Windows-1251: that is settled where they are converted
    // (link/CodePage.h), Qt 6 having no process-wide codec.
    ui->setupUi(this);

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
#ifdef VELMORA_HAVE_FIRST_DLG
    LaunchHiding<CKR_FirstDlg>(this);
#endif
}

void v02::OnVUSettings()
{
    qDebug() << "OnOnVUInfo";
#ifdef VELMORA_HAVE_INFO_DLG
    LaunchHiding<CKR_VUInfoDlg>(this);
#endif
}

void v02::OnVUCalibrate()
{
    qDebug() << "OnVUCalibrate";
#ifdef VELMORA_HAVE_CLBR_DLG
    LaunchChild<CKR_ClbrDlg>(this, true);
#endif
}

void v02::OnVUPrint()
{
#ifdef VELMORA_HAVE_CERIF_DLG
    LaunchChild<CKR_CerifDlg>(this, false);
#endif
}

void v02::OnConfigure()
{
    qDebug() << "OnConfigure";
#ifdef VELMORA_HAVE_CONFIG_DLG
    LaunchChild<CKR_ConfigDlg>(this, false);
#endif
}
