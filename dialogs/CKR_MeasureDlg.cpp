#include "dialogs/CKR_MeasureDlg.h"

#include "ui_VUC_Measure.h"
#include "widgets/FitText.h"
#include "widgets/UnitNumberBox.h"

#include <QDebug>
#include <QHeaderView>
#include <QTableWidgetItem>

#include <limits>

namespace {
// The measured distance the form offers, metres.
constexpr double kMinDistance = 1.0;
constexpr double kMaxDistance = 1000.0;
} // namespace

CKR_MeasureDlg::CKR_MeasureDlg(QWidget* aParent, Qt::WindowFlags aFlags)
    : QDialog(aParent, aFlags), mUi(std::make_unique<Ui::VUC_Measure>())
{
    mUi->setupUi(this);
    mUi->dseDistance->SetLimits(QStringLiteral("Дистанция"), kMinDistance, kMaxDistance);
    // A typed distance the field refuses changes no value, but the W shown must follow the text.
    connect(mUi->dseDistance, &QDoubleSpinBox::textChanged, this,
            [this] { ShowCurrentW(mUi->dseDistance->value()); });
    mUi->tblList->setColumnWidth(0, 50);
    mUi->tblList->setColumnWidth(1, 90);
    mUi->tblList->setColumnWidth(2, 80);
    for (int i = 0; i < mUi->tblList->columnCount(); ++i) {
        if (QTableWidgetItem* header = mUi->tblList->horizontalHeaderItem(i))
            header->setFont(font());
    }
    FitTexts(this);
}

CKR_MeasureDlg::~CKR_MeasureDlg() = default;

unsigned int CKR_MeasureDlg::GetAverageW() const
{
    return mAverageW;
}

// W = impulses * 1000 / distance in metres, truncated. Computed in 64 bits: a long run over a short
// distance must not wrap into a small, plausible-looking value.
quint64 CKR_MeasureDlg::CurrentW(double aDistance) const
{
    if (aDistance <= 0)
        return 0;
    const quint32 total = static_cast<quint32>(mTotal);
    return static_cast<quint64>(total * 1000.0 / aDistance);
}

void CKR_MeasureDlg::ShowCurrentW(double aDistance)
{
    // No W for a distance the field refuses: it would be computed from another number than the typed one.
    const bool distanceHeld = mUi->dseDistance->Problem().isEmpty();
    mUi->lblCur->setText(QStringLiteral("W-конст.=%1 имп/км")
                             .arg(distanceHeld ? QString::number(CurrentW(aDistance)) : QStringLiteral("?")));
    FitText(mUi->lblCur);
}

void CKR_MeasureDlg::OnImp(quint32 aCount)
{
    qDebug("OnImp (%u)", aCount);
    if (!mRunning || !mHaveLastCount) {
        // Without an earlier reading there is nothing to count from: the first one is only the base.
        mLastCount = aCount;
        mHaveLastCount = true;
        return;
    }
    if (mTotal >= std::numeric_limits<quint32>::max())
        return;

    // Unsigned 32-bit subtraction counts a wrap from 2^32-1 to 0 correctly. The total stops at
    // 2^32-1 so that W, computed from its 32-bit value, never wraps to a small number.
    const quint32 difference = aCount - mLastCount;
    mTotal = qMin<quint64>(mTotal + difference, std::numeric_limits<quint32>::max());
    mLastCount = aCount;
    mUi->edtImpulse->setText(QString::number(mTotal));
    ShowCurrentW(mUi->dseDistance->value());
}

void CKR_MeasureDlg::OnStartStopClick()
{
    mRunning = !mRunning;
    mUi->btnAdd->setEnabled(!mRunning && mTotal != 0);
    mUi->btnClear->setEnabled(!mRunning);
    mUi->dseDistance->setEnabled(!mRunning);
    if (mRunning) {
        mUi->btnStartStop->setText(QStringLiteral("Стоп"));
        mUi->edtImpulse->setText(QStringLiteral("0"));
        mTotal = 0;
        mUi->lblCur->clear();
    } else {
        mUi->btnStartStop->setText(QStringLiteral("Старт"));
        ShowCurrentW(mUi->dseDistance->value());
    }
}

void CKR_MeasureDlg::OnAddClick()
{
    if (!NumberFieldsHeld(this, false, QStringLiteral("Замер не добавлен:")))
        return;
    const double distance = mUi->dseDistance->value();
    const int row = mUi->tblList->rowCount();
    mUi->tblList->insertRow(row);
    const QString texts[] = {QString::number(row), mUi->edtImpulse->text(), QString::number(distance, 'g', 6),
                             QString::number(CurrentW(distance))};
    for (int column = 0; column < 4; ++column) {
        auto* item = new QTableWidgetItem(texts[column]);
        item->setFlags(Qt::ItemIsEnabled);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        item->setFont(font());
        mUi->tblList->setItem(row, column, item);
    }

    mUi->btnAdd->setEnabled(false);
    mUi->btnClear->setEnabled(true);
    mTotal = 0;
    mUi->edtImpulse->setText(QStringLiteral("0"));
    mUi->btnOK->setEnabled(true);
    ShowCurrentW(distance);

    quint64 sum = 0;
    const int rows = mUi->tblList->rowCount();
    for (int r = 0; r < rows; ++r)
        sum += mUi->tblList->item(r, 3)->text().toULongLong();
    const quint64 average = sum / static_cast<quint64>(rows);
    mAverageW = static_cast<quint32>(qMin<quint64>(average, std::numeric_limits<quint32>::max()));
    mUi->lblMid->setText(QStringLiteral("Ср.W-конст.=%1 имп/км").arg(mAverageW));
    FitText(mUi->lblMid);

    mUi->btnStartStop->setFocus();
}

void CKR_MeasureDlg::OnClearClick()
{
    mUi->tblList->setRowCount(0);
    mUi->btnClear->setEnabled(false);
    mUi->lblMid->clear();
    mUi->btnOK->setEnabled(false);
    mAverageW = 0;
}

void CKR_MeasureDlg::OnDistanceChanged(double aValue)
{
    ShowCurrentW(aValue);
}

#include "moc_CKR_MeasureDlg.cpp"
