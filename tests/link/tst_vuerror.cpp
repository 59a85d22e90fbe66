#include "link/CKR_HiProt.h"
#include "link/VUError.h"

#include <QMetaType>
#include <QtTest>

class tst_vuerror : public QObject
{
    Q_OBJECT

private slots:
    void errorText_data();
    void errorText();
    void causesText_data();
    void causesText();
    void noUnitCauses_data();
    void noUnitCauses();
    void unknownCodeCauses_data();
    void unknownCodeCauses();
    void resultName_data();
    void resultName();
    void metaTypes();
};

void tst_vuerror::errorText_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0u << "OK";
    QTest::newRow("1") << 1u << "Не могу открыть UART";
    QTest::newRow("2") << 2u << "UART не открыт. Обратитесь к разработчику";
    QTest::newRow("3") << 3u << "Ошибка записи в UART";
    QTest::newRow("4") << 4u << "Нет ответа от тахографа";
    QTest::newRow("5") << 5u << "Приняты неверные данные. Ошибка обмена";
    QTest::newRow("6") << 6u << "Принятые данные нарушены. Ошибка обмена";
    QTest::newRow("7") << 7u << "Не найдено ни одного UART";
    QTest::newRow("8") << 8u << "Неизвестная ошибка. Обратитесь к разработчику";
    QTest::newRow("unknown param") << 0x40000001u << "Неизвестный параметр. Обратитесь к разработчику";
    QTest::newRow("too long") << 0x40000002u << "Слишком длинное значение. Запись отменена";
    QTest::newRow("IML") << 0x80000013u << "Тахограф: Incorrect Message Length. Ошибка обмена";
    QTest::newRow("CNC")
        << 0x80000022u
        << "Тахограф: Conditions Not Correct. Тахограф не готов к обмену или не введена карта "
           "мастерской";
    QTest::newRow("ROOR") << 0x80000031u << "Тахограф: Request Out Of Range. Обратитесь к разработчику";
    QTest::newRow("unnamed reason") << 0x80000055u << "Неизвестная ошибка. Обратитесь к разработчику";
    QTest::newRow("top bit alone") << 0x80000000u << "Неизвестная ошибка. Обратитесь к разработчику";
}

void tst_vuerror::errorText()
{
    QFETCH(quint32, code);
    QFETCH(QString, text);
    QCOMPARE(VUErrorText(code), text);
}

void tst_vuerror::causesText_data()
{
    const QString common = "  1. Выключили тахограф.\n  2. Отсоединили кабель.\n  3. Тахограф в неподходящем "
                           "режиме.\n  4. Неисправность тахографа, кабеля или ПК.";
    const QString refused = "  1. Тахограф в неподходящем режиме.\n  2. Несовместимая версия тахографа.\n"
                            "Тахограф вернул ошибку: ";
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("arg");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1u << ""
                       << "  1. COM-порт занят другой программой.\n  2. На ПК нет COM-портов.\n  3. COM-порт "
                          "неисправен или неверно сконфигурирован.\n";
    QTest::newRow("2") << 2u << ""
                       << "  Внутренняя ошибка ‘Обращение к неоткрытому порту’ – обратитесь к разработчику.";
    QTest::newRow("3") << 3u << ""
                       << "  UART ПК неисправен или сконфигурирован неправильно.";
    QTest::newRow("4") << 4u << "" << common;
    QTest::newRow("5") << 5u << "x" << common;
    QTest::newRow("6") << 6u << "" << common;
    QTest::newRow("7 list") << 7u << "1, 3" << common + "\nБыли проверены COM-порты: 1, 3.";
    QTest::newRow("7 port") << 7u << "4" << common + "\nБыли проверены COM-порты: 4.";
    QTest::newRow("7 none") << 7u << "" << common + "\nНе найдено ни одного свободного COM-порта.";
    QTest::newRow("unknown param") << 0x40000001u << ""
                                   << "  Несовместимая версия тахографа.";
    QTest::newRow("IML") << 0x80000013u << "" << refused + "‘RC_IML’.";
    QTest::newRow("CNC") << 0x80000022u << "" << refused + "‘RC_CNC’.";
    QTest::newRow("ROOR") << 0x80000031u << "" << refused + "‘RC_ROOR’.";
}

void tst_vuerror::causesText()
{
    QFETCH(quint32, code);
    QFETCH(QString, arg);
    QFETCH(QString, text);
    QCOMPARE(VUErrorCauses(code, arg), text);
}

// After a search without a unit: the tried ports, then those that exist but could not be opened.
void tst_vuerror::noUnitCauses_data()
{
    const QString common = "  1. Выключили тахограф.\n  2. Отсоединили кабель.\n  3. Тахограф в неподходящем "
                           "режиме.\n  4. Неисправность тахографа, кабеля или ПК.";
    QTest::addColumn<QString>("tried");
    QTest::addColumn<QList<int>>("busy");
    QTest::addColumn<QList<int>>("denied");
    QTest::addColumn<QString>("text");
    using L = QList<int>;
    QTest::newRow("tried only") << "1, 3" << L{} << L{} << common + "\nБыли проверены COM-порты: 1, 3.";
    QTest::newRow("nothing at all") << "" << L{} << L{}
                                    << common + "\nНе найдено ни одного свободного COM-порта.";
    // A port that exists but could not be opened is a known cause: it leads, the usual ones follow.
    const QString after = "  3. Выключили тахограф.\n  4. Отсоединили кабель.\n  5. Тахограф в неподходящем "
                          "режиме.\n  6. Неисправность тахографа, кабеля или ПК.";
    QTest::newRow("one busy")
        << "" << L{3} << L{}
        << "  1. COM-порт 3 занят другой программой – закройте её и повторите.\n  2. "
           "Выключили тахограф.\n  3. Отсоединили кабель.\n  4. Тахограф в неподходящем "
           "режиме.\n  5. Неисправность тахографа, кабеля или ПК.\nНе найдено ни одного "
           "свободного COM-порта.";
    QTest::newRow("busy and tried")
        << "1" << L{3, 4} << L{}
        << "  1. COM-порты 3, 4 заняты другой программой – закройте её и "
           "повторите.\n  2. Выключили тахограф.\n  3. Отсоединили кабель.\n  4. "
           "Тахограф в неподходящем режиме.\n  5. Неисправность тахографа, кабеля "
           "или ПК.\nБыли проверены COM-порты: 1.";
    QTest::newRow("denied") << "" << L{} << L{33}
                            << "  1. Нет прав на COM-порт 33 – обратитесь к администратору.\n  2. Выключили "
                               "тахограф.\n  3. Отсоединили кабель.\n  4. Тахограф в неподходящем режиме.\n  "
                               "5. Неисправность тахографа, кабеля или ПК.\nНе найдено ни одного свободного "
                               "COM-порта.";
    QTest::newRow("all three")
        << "2" << L{5} << L{6, 7}
        << "  1. COM-порт 5 занят другой программой – закройте её и повторите.\n  2. Нет "
           "прав на COM-порты 6, 7 – обратитесь к администратору.\n" +
               after + "\nБыли проверены COM-порты: 2.";
}

void tst_vuerror::noUnitCauses()
{
    QFETCH(QString, tried);
    QFETCH(QList<int>, busy);
    QFETCH(QList<int>, denied);
    QFETCH(QString, text);
    QCOMPARE(NoUnitCauses(tried, busy, denied), text);
}

void tst_vuerror::unknownCodeCauses_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("hex");
    QTest::newRow("0") << 0u << "0000000000000000";
    QTest::newRow("unnamed reason") << 0x80000055u << "0000000080000055";
    QTest::newRow("lower case") << 0x8000ABCDu << "000000008000abcd";
    QTest::newRow("8") << 8u << "0000000000000008";
    QTest::newRow("max") << 0xFFFFFFFFu << "00000000ffffffff";
}

void tst_vuerror::unknownCodeCauses()
{
    QFETCH(quint32, code);
    QFETCH(QString, hex);
    QCOMPARE(VUErrorCauses(code, "ignored"),
             "  Неизвестная ошибка ‘0x" + hex + "’ – обратитесь к разработчику.");
}

void tst_vuerror::resultName_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    const QList<QPair<int, QString>> rows = {{0, "S_OK"},
                                             {-2, "E_RECURRENT_NAME"},
                                             {-3, "E_NOT_FOUND"},
                                             {-4, "E_ILLEGAL_VALUE"},
                                             {-5, "E_CAN_NOT_CONNECT"},
                                             {-6, "E_OVERFLOW"},
                                             {-7, "E_NO_DATA"},
                                             {-8, "E_FILE_ERROR"},
                                             {-9, "E_ILLEGAL_STATE"},
                                             {-10, "E_UART"},
                                             {-11, "E_LIB_NOT_READY"},
                                             {-12, "NV_E_INCOMPATIBLE"},
                                             {-13, "NV_E_OUT_OF_MEMORY"},
                                             {-1, "UNKNOWN"},
                                             {-14, "UNKNOWN"},
                                             {1, "UNKNOWN"}};
    for (const auto& row : rows)
        QTest::newRow(qPrintable(QString::number(row.first))) << row.first << row.second;
}

void tst_vuerror::resultName()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(ResultName(code), name);
}

void tst_vuerror::metaTypes()
{
    RegisterLinkMetaTypes();
    const QMetaType id = QMetaType::fromName("CKR_HiProt::T_ParamId");
    const QMetaType err = QMetaType::fromName("TKR_VUError");
    QVERIFY(id.isValid());
    QVERIFY(err.isValid());
    QVERIFY(QMetaType::fromName("QVariant").isValid());
    QCOMPARE(id.sizeOf(), 4);
    QCOMPARE(err.sizeOf(), 4);
    QCOMPARE(id, QMetaType::fromType<CKR_HiProt::T_ParamId>());
    QCOMPARE(err, QMetaType::fromType<TKR_VUError>());
}

QTEST_GUILESS_MAIN(tst_vuerror)
#include "tst_vuerror.moc"
