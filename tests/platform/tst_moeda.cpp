// Currency values and the reading of typed numbers.

#include "Moeda.h"
#include "NumeroOle.h"

#include <QDate>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 Maximo = std::numeric_limits<qint64>::max();
constexpr qint64 Minimo = std::numeric_limits<qint64>::min();

const QLocale EnUs(QLocale::English, QLocale::UnitedStates);
const QLocale PtPt(QLocale::Portuguese, QLocale::Portugal);
const QLocale PtBr(QLocale::Portuguese, QLocale::Brazil);

} // namespace

class TestMoeda final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Moeda: conversions in.
    void deDouble_data();
    void deDouble();
    void deDoubleForaDosLimites();
    void deTextoC_data();
    void deTextoC();
    void deVariant_data();
    void deVariant();

    // Moeda: arithmetic, rounding, text out.
    void operadores();
    void arredondadoPar_data();
    void arredondadoPar();
    void formatar_data();
    void formatar();
    void paraTextoC_data();
    void paraTextoC();
    void emVariant();

    // converterNumeroOle.
    void converterNumeroOle_data();
    void converterNumeroOle();
    void textosCompridos();
    void idaEVoltaPeloLocale();
    void entradasArbitrariasNaoFalham();
};

// ---------------------------------------------------------------------------

void TestMoeda::deDouble_data() {
    QTest::addColumn<double>("valor");
    QTest::addColumn<qint64>("unidades");
    QTest::newRow("inteiro") << 7.0 << qint64(70000);
    QTest::newRow("quatro casas") << 7.0001 << qint64(70001);
    QTest::newRow("meio acima") << 1.23455 << qint64(12346);
    QTest::newRow("meio acima negativo") << -1.23455 << qint64(-12346);
    QTest::newRow("meio em 1.00005") << 1.00005 << qint64(10001);
    QTest::newRow("abaixo do meio") << 1.23454 << qint64(12345);
    QTest::newRow("soma inexacta") << 0.1 + 0.2 << qint64(3000);
    QTest::newRow("menor que meia unidade") << 0.00004 << qint64(0);
    QTest::newRow("meia unidade negativa") << -0.00005 << qint64(-1);
    QTest::newRow("grande") << 123456789012.5 << qint64(1234567890125000);
}

void TestMoeda::deDouble() {
    QFETCH(double, valor);
    QFETCH(qint64, unidades);
    QCOMPARE(Moeda::deDouble(valor).unidades(), unidades);
}

void TestMoeda::deDoubleForaDosLimites() {
    QCOMPARE(Moeda::deDouble(std::nan("")).unidades(), 0);
    QCOMPARE(Moeda::deDouble(std::numeric_limits<double>::infinity()).unidades(), Maximo);
    QCOMPARE(Moeda::deDouble(-std::numeric_limits<double>::infinity()).unidades(), Minimo);
    QCOMPARE(Moeda::deDouble(1e300).unidades(), Maximo);
    QCOMPARE(Moeda::deDouble(-1e300).unidades(), Minimo);
}

void TestMoeda::deTextoC_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("valido");
    QTest::addColumn<qint64>("unidades");
    QTest::newRow("negativo") << "-12.5" << true << qint64(-125000);
    QTest::newRow("quatro casas") << "7.0001" << true << qint64(70001);
    QTest::newRow("brancos") << "  3 " << true << qint64(30000);
    QTest::newRow("numeric") << "7.5000" << true << qint64(75000);
    QTest::newRow("sinal mais") << "+2" << true << qint64(20000);
    QTest::newRow("cinco casas, meio") << "1.23455" << true << qint64(12346);
    QTest::newRow("cinco casas, negativo") << "-1.23455" << true << qint64(-12346);
    QTest::newRow("abaixo do meio") << "0.000049999" << true << qint64(0);
    QTest::newRow("meia unidade") << "0.00005" << true << qint64(1);
    QTest::newRow("ponto no fim") << "5." << true << qint64(50000);
    QTest::newRow("ponto no inicio") << ".5" << true << qint64(5000);
    QTest::newRow("zeros a esquerda") << "000123.40" << true << qint64(1234000);
    QTest::newRow("expoente") << "1.5e3" << true << qint64(15000000);
    QTest::newRow("maximo") << "922337203685477.5807" << true << Maximo;
    QTest::newRow("minimo") << "-922337203685477.5808" << true << Minimo;
    QTest::newRow("vazio") << "" << false << qint64(0);
    QTest::newRow("so brancos") << "   " << false << qint64(0);
    QTest::newRow("letras") << "abc" << false << qint64(0);
    QTest::newRow("virgula") << "1,5" << false << qint64(0);
    QTest::newRow("dois sinais") << "--1" << false << qint64(0);
    QTest::newRow("dois pontos") << "1.2.3" << false << qint64(0);
    QTest::newRow("so ponto") << "." << false << qint64(0);
    QTest::newRow("so sinal") << "-" << false << qint64(0);
    QTest::newRow("expoente vazio") << "1e" << false << qint64(0);
    QTest::newRow("depois do numero") << "12x" << false << qint64(0);
    QTest::newRow("acima do maximo") << "922337203685477.5808" << false << qint64(0);
    QTest::newRow("muito grande") << "922337203685478" << false << qint64(0);
}

void TestMoeda::deTextoC() {
    QFETCH(QString, texto);
    QFETCH(bool, valido);
    QFETCH(qint64, unidades);
    const std::optional<Moeda> m = Moeda::deTextoC(texto);
    QCOMPARE(m.has_value(), valido);
    if (valido)
        QCOMPARE(m->unidades(), unidades);
}

void TestMoeda::deVariant_data() {
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<bool>("valido");
    QTest::addColumn<qint64>("unidades");
    QTest::newRow("moeda") << QVariant::fromValue(Moeda::deUnidades(12345)) << true << qint64(12345);
    QTest::newRow("int") << QVariant(7) << true << qint64(70000);
    QTest::newRow("int negativo") << QVariant(-3) << true << qint64(-30000);
    QTest::newRow("qint64") << QVariant(qint64(5000000000)) << true << qint64(50000000000000);
    QTest::newRow("quint") << QVariant(8u) << true << qint64(80000);
    QTest::newRow("short") << QVariant::fromValue<short>(12) << true << qint64(120000);
    QTest::newRow("double") << QVariant(7.5) << true << qint64(75000);
    QTest::newRow("float") << QVariant(0.1f) << true << qint64(1000);
    QTest::newRow("numeric") << QVariant(QStringLiteral("7.5000")) << true << qint64(75000);
    QTest::newRow("bytes") << QVariant(QByteArray("12.25")) << true << qint64(122500);
    QTest::newRow("qint64 demasiado grande") << QVariant(qint64(1) << 62) << false << qint64(0);
    QTest::newRow("quint64 demasiado grande") << QVariant(~quint64(0)) << false << qint64(0);
    QTest::newRow("double infinito") << QVariant(std::numeric_limits<double>::infinity()) << false << qint64(0);
    QTest::newRow("double nan") << QVariant(std::nan("")) << false << qint64(0);
    QTest::newRow("invalido") << QVariant() << false << qint64(0);
    QTest::newRow("texto nulo") << QVariant(QString()) << false << qint64(0);
    QTest::newRow("texto vazio") << QVariant(QStringLiteral("")) << false << qint64(0);
    QTest::newRow("letras") << QVariant(QStringLiteral("abc")) << false << qint64(0);
    QTest::newRow("booleano") << QVariant(true) << false << qint64(0);
    QTest::newRow("data") << QVariant(QDate(2024, 1, 1)) << false << qint64(0);
}

void TestMoeda::deVariant() {
    QFETCH(QVariant, valor);
    QFETCH(bool, valido);
    QFETCH(qint64, unidades);
    const std::optional<Moeda> m = Moeda::deVariant(valor);
    QCOMPARE(m.has_value(), valido);
    if (valido)
        QCOMPARE(m->unidades(), unidades);
}

// ---------------------------------------------------------------------------

void TestMoeda::operadores() {
    const Moeda a = Moeda::deUnidades(70001);
    const Moeda b = Moeda::deInteiro(7);
    QVERIFY(a > b);
    QVERIFY(b < a);
    QVERIFY(a != b);
    QVERIFY(b == Moeda::deUnidades(70000));
    QCOMPARE((a - b).unidades(), 1);
    QCOMPARE((a + b).unidades(), 140001);
    QCOMPARE(Moeda().unidades(), 0);
    QCOMPARE(Moeda::deUnidades(-25000).paraDouble(), -2.5);
}

void TestMoeda::arredondadoPar_data() {
    QTest::addColumn<qint64>("unidades");
    QTest::addColumn<int>("casas");
    QTest::addColumn<qint64>("esperado");
    QTest::newRow("2.5 a 0") << qint64(25000) << 0 << qint64(20000);
    QTest::newRow("3.5 a 0") << qint64(35000) << 0 << qint64(40000);
    QTest::newRow("-2.5 a 0") << qint64(-25000) << 0 << qint64(-20000);
    QTest::newRow("-3.5 a 0") << qint64(-35000) << 0 << qint64(-40000);
    QTest::newRow("2.5001 a 0") << qint64(25001) << 0 << qint64(30000);
    QTest::newRow("2.4999 a 0") << qint64(24999) << 0 << qint64(20000);
    QTest::newRow("1.005 a 2") << qint64(10050) << 2 << qint64(10000);
    QTest::newRow("1.015 a 2") << qint64(10150) << 2 << qint64(10200);
    QTest::newRow("-1.015 a 2") << qint64(-10150) << 2 << qint64(-10200);
    QTest::newRow("1.2345 a 3") << qint64(12345) << 3 << qint64(12340);
    QTest::newRow("1.2355 a 3") << qint64(12355) << 3 << qint64(12360);
    QTest::newRow("1.2346 a 3") << qint64(12346) << 3 << qint64(12350);
    QTest::newRow("quatro casas") << qint64(12345) << 4 << qint64(12345);
    QTest::newRow("0.5 a 0") << qint64(5000) << 0 << qint64(0);
}

void TestMoeda::arredondadoPar() {
    QFETCH(qint64, unidades);
    QFETCH(int, casas);
    QFETCH(qint64, esperado);
    QCOMPARE(Moeda::deUnidades(unidades).arredondadoPar(casas).unidades(), esperado);
}

void TestMoeda::formatar_data() {
    QTest::addColumn<qint64>("unidades");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("esperado");
    const QString grupoPt = PtPt.groupSeparator();
    QTest::newRow("en 1234.5") << qint64(12345000) << EnUs << "1,234.50";
    QTest::newRow("en 0") << qint64(0) << EnUs << "0.00";
    QTest::newRow("en -0.5") << qint64(-5000) << EnUs << "-0.50";
    QTest::newRow("en 0.05") << qint64(500) << EnUs << "0.05";
    QTest::newRow("en 100") << qint64(1000000) << EnUs << "100.00";
    QTest::newRow("en 999.99") << qint64(9999900) << EnUs << "999.99";
    QTest::newRow("en milhoes") << qint64(12345678910) << EnUs << "1,234,567.89";
    QTest::newRow("en meio centimo") << qint64(50) << EnUs << "0.01";
    QTest::newRow("en menos meio centimo") << qint64(-50) << EnUs << "-0.01";
    QTest::newRow("en arredonda para mil") << qint64(9999950) << EnUs << "1,000.00";
    QTest::newRow("en abaixo de meio centimo") << qint64(49) << EnUs << "0.00";
    QTest::newRow("en negativo quase zero") << qint64(-49) << EnUs << "0.00";
    QTest::newRow("en maximo") << Maximo << EnUs << "922,337,203,685,477.58";
    QTest::newRow("en minimo") << Minimo << EnUs << "-922,337,203,685,477.58";
    QTest::newRow("pt 1234.5") << qint64(12345000) << PtPt << QString(QLatin1String("1") + grupoPt + "234,50");
    QTest::newRow("pt -0.5") << qint64(-5000) << PtPt << "-0,50";
    QTest::newRow("pt-BR 1234.5") << qint64(12345000) << PtBr << "1.234,50";
    QTest::newRow("sv menos") << qint64(-12345000) << QLocale(QLocale::Swedish, QLocale::Sweden)
                              << QString(QLocale(QLocale::Swedish, QLocale::Sweden).negativeSign() + "1" +
                                         QLocale(QLocale::Swedish, QLocale::Sweden).groupSeparator() + "234,50");
}

void TestMoeda::formatar() {
    QFETCH(qint64, unidades);
    QFETCH(QLocale, locale);
    QFETCH(QString, esperado);
    QCOMPARE(Moeda::deUnidades(unidades).formatar(locale), esperado);
}

void TestMoeda::paraTextoC_data() {
    QTest::addColumn<qint64>("unidades");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("inteiro") << qint64(70000) << "7";
    QTest::newRow("meio") << qint64(75000) << "7.5";
    QTest::newRow("quatro casas") << qint64(70001) << "7.0001";
    QTest::newRow("negativo") << qint64(-500) << "-0.05";
    QTest::newRow("zero") << qint64(0) << "0";
    QTest::newRow("maximo") << Maximo << "922337203685477.5807";
    QTest::newRow("minimo") << Minimo << "-922337203685477.5808";
}

void TestMoeda::paraTextoC() {
    QFETCH(qint64, unidades);
    QFETCH(QString, esperado);
    const Moeda m = Moeda::deUnidades(unidades);
    QCOMPARE(m.paraTextoC(), esperado);
    // What it writes reads back the same.
    QCOMPARE(Moeda::deTextoC(m.paraTextoC()), std::optional<Moeda>(m));
}

void TestMoeda::emVariant() {
    const Moeda a = Moeda::deUnidades(75000);
    const QVariant va = QVariant::fromValue(a);
    QCOMPARE(va.metaType(), QMetaType::fromType<Moeda>());
    QCOMPARE(qvariant_cast<Moeda>(va), a);
    QVERIFY(va == QVariant::fromValue(Moeda::deUnidades(75000)));
    QVERIFY(va != QVariant::fromValue(Moeda::deUnidades(75001)));
    QCOMPARE(QVariant::compare(va, QVariant::fromValue(Moeda::deUnidades(80000))), QPartialOrdering::Less);
    QCOMPARE(va.toString(), QStringLiteral("7.5"));
    QCOMPARE(va.toDouble(), 7.5);
    // A variant of another type is never equal to a currency value, and the comparison does not fail.
    QVERIFY(va != QVariant(7.5));
    QVERIFY(va != QVariant());
}

// ---------------------------------------------------------------------------

void TestMoeda::converterNumeroOle_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("valido");
    QTest::addColumn<double>("valor");
    const QLocale fr(QLocale::French, QLocale::France);
    const QLocale sv(QLocale::Swedish, QLocale::Sweden);
    const QLocale ch(QLocale::German, QLocale::Switzerland);

    QTest::newRow("en inteiro") << "7" << EnUs << true << 7.0;
    QTest::newRow("en brancos") << " 7 " << EnUs << true << 7.0;
    QTest::newRow("en tabs") << "\t7\t" << EnUs << true << 7.0;
    QTest::newRow("en negativo") << "-3" << EnUs << true << -3.0;
    QTest::newRow("en positivo") << "+3" << EnUs << true << 3.0;
    QTest::newRow("en sinal no fim") << "3-" << EnUs << true << -3.0;
    QTest::newRow("en grupos") << "1,234.5" << EnUs << true << 1234.5;
    QTest::newRow("en grupos soltos") << "1,2,3" << EnUs << true << 123.0;
    QTest::newRow("en virgula e grupo") << "7,5" << EnUs << true << 75.0;
    QTest::newRow("en expoente") << "1.5E3" << EnUs << true << 1500.0;
    QTest::newRow("en expoente negativo") << "1.5e-3" << EnUs << true << 0.0015;
    QTest::newRow("en expoente com mais") << "2E+2" << EnUs << true << 200.0;
    QTest::newRow("en quatro casas") << "7.0001" << EnUs << true << 7.0001;
    QTest::newRow("en ponto no inicio") << ".5" << EnUs << true << 0.5;
    QTest::newRow("en ponto no fim") << "5." << EnUs << true << 5.0;
    QTest::newRow("en zero") << "0" << EnUs << true << 0.0;
    QTest::newRow("en maior double") << "1.7976931348623157e308" << EnUs << true << 1.7976931348623157e308;
    QTest::newRow("en quase zero") << "1e-999" << EnUs << true << 0.0;
    QTest::newRow("en expoente vazio") << "1E" << EnUs << false << 0.0;
    QTest::newRow("en expoente so sinal") << "1E+" << EnUs << false << 0.0;
    QTest::newRow("en vazio") << "" << EnUs << false << 0.0;
    QTest::newRow("en brancos apenas") << "   " << EnUs << false << 0.0;
    QTest::newRow("en letras") << "abc" << EnUs << false << 0.0;
    QTest::newRow("en letras no fim") << "12abc" << EnUs << false << 0.0;
    QTest::newRow("en hexadecimal") << "0x10" << EnUs << false << 0.0;
    QTest::newRow("en excede") << "1e999" << EnUs << false << 0.0;
    QTest::newRow("en excede negativo") << "-1e999" << EnUs << false << 0.0;
    QTest::newRow("en excede pouco") << "1.8e308" << EnUs << false << 0.0;
    QTest::newRow("en dois sinais") << "--1" << EnUs << false << 0.0;
    QTest::newRow("en sinal dos dois lados") << "-1-" << EnUs << false << 0.0;
    QTest::newRow("en mais menos") << "+-1" << EnUs << false << 0.0;
    QTest::newRow("en grupo no fim") << "1," << EnUs << false << 0.0;
    QTest::newRow("en grupo no inicio") << ",1" << EnUs << false << 0.0;
    QTest::newRow("en grupo duplo") << "1,,2" << EnUs << false << 0.0;
    QTest::newRow("en grupo nas decimais") << "1.2,5" << EnUs << false << 0.0;
    QTest::newRow("en dois pontos") << "1.2.3" << EnUs << false << 0.0;
    QTest::newRow("en so ponto") << "." << EnUs << false << 0.0;
    QTest::newRow("en so sinal") << "-" << EnUs << false << 0.0;
    QTest::newRow("en so expoente") << "e5" << EnUs << false << 0.0;
    QTest::newRow("en espaco no meio") << "1 234" << EnUs << false << 0.0;
    QTest::newRow("en sinal separado") << "- 5" << EnUs << false << 0.0;

    const QString nbsp(QChar(0x00A0));
    QTest::newRow("pt inteiro") << "7" << PtPt << true << 7.0;
    QTest::newRow("pt brancos") << " 7 " << PtPt << true << 7.0;
    QTest::newRow("pt negativo") << "-3" << PtPt << true << -3.0;
    QTest::newRow("pt positivo") << "+3" << PtPt << true << 3.0;
    QTest::newRow("pt decimal") << "7,5" << PtPt << true << 7.5;
    QTest::newRow("pt grupo do locale") << QString(QLatin1String("1") + PtPt.groupSeparator() + "234,5") << PtPt
                                        << true << 1234.5;
    QTest::newRow("pt grupo espaco") << "1 234,5" << PtPt << true << 1234.5;
    QTest::newRow("pt grupo nbsp") << QString(QLatin1String("1") + nbsp + "234,5") << PtPt << true << 1234.5;
    QTest::newRow("pt expoente") << "1,5E3" << PtPt << true << 1500.0;
    QTest::newRow("pt quatro casas") << "7,0001" << PtPt << true << 7.0001;
    QTest::newRow("pt virgula no inicio") << ",5" << PtPt << true << 0.5;
    QTest::newRow("pt virgula no fim") << "5," << PtPt << true << 5.0;
    QTest::newRow("pt brancos no fim nbsp") << QString(QLatin1String("5") + nbsp) << PtPt << true << 5.0;
    // Qt's Portuguese (Portugal) groups with a space, so the point is no separator there.
    QTest::newRow("pt ponto") << "1.234,5" << PtPt << false << 0.0;
    QTest::newRow("pt ponto decimal") << "7.5" << PtPt << false << 0.0;
    QTest::newRow("pt expoente vazio") << "1E" << PtPt << false << 0.0;
    QTest::newRow("pt vazio") << "" << PtPt << false << 0.0;
    QTest::newRow("pt brancos apenas") << "   " << PtPt << false << 0.0;
    QTest::newRow("pt letras") << "abc" << PtPt << false << 0.0;
    QTest::newRow("pt excede") << "1e999" << PtPt << false << 0.0;
    QTest::newRow("pt dois sinais") << "--1" << PtPt << false << 0.0;
    QTest::newRow("pt espaco no fim do grupo") << "1 " << PtPt << true << 1.0;
    QTest::newRow("pt espaco antes da virgula") << "1 ,5" << PtPt << false << 0.0;

    QTest::newRow("br grupo ponto") << "1.234,5" << PtBr << true << 1234.5;
    QTest::newRow("br decimal") << "7,5" << PtBr << true << 7.5;
    QTest::newRow("fr espaco fino") << "1 234,5" << fr << true << 1234.5;
    QTest::newRow("sv menos unicode") << QString(QChar(0x2212) + QLatin1String("3")) << sv << true << -3.0;
    QTest::newRow("sv menos ascii") << "-3" << sv << true << -3.0;
    QTest::newRow("ch apostrofo") << QString(QLatin1String("1") + ch.groupSeparator() + "234.5") << ch << true
                                  << 1234.5;
}

void TestMoeda::converterNumeroOle() {
    QFETCH(QString, texto);
    QFETCH(QLocale, locale);
    QFETCH(bool, valido);
    QFETCH(double, valor);
    const std::optional<double> r = ::converterNumeroOle(texto, locale);
    QCOMPARE(r.has_value(), valido);
    QCOMPARE(eNumerico(texto, locale), valido);
    if (valido)
        QCOMPARE(*r, valor);
}

void TestMoeda::textosCompridos() {
    const QString muitosUns(100000, QLatin1Char('1'));
    QVERIFY(!::converterNumeroOle(muitosUns, EnUs).has_value());
    QCOMPARE(::converterNumeroOle(QLatin1String("0.") + QString(100000, QLatin1Char('0')) + QLatin1String("1"), EnUs),
             std::optional<double>(0.0));
    QCOMPARE(::converterNumeroOle(QString(100000, QLatin1Char('0')), EnUs), std::optional<double>(0.0));
    QVERIFY(!::converterNumeroOle(QLatin1String("1e") + QString(1000, QLatin1Char('9')), EnUs).has_value());
    QCOMPARE(::converterNumeroOle(QLatin1String("1e-") + QString(1000, QLatin1Char('9')), EnUs),
             std::optional<double>(0.0));
    // Many significant digits still round to the nearest double.
    QCOMPARE(::converterNumeroOle(QLatin1String("0.1000000000000000000000000000000001"), EnUs),
             std::optional<double>(0.1));
}

void TestMoeda::idaEVoltaPeloLocale() {
    // What the locale writes (grouped, its own decimal separator) reads back exactly.
    std::uint64_t semente = 12345;
    auto proximo = [&semente] {
        semente = semente * 6364136223846793005ULL + 1442695040888963407ULL;
        return semente >> 11;
    };
    for (const QLocale& locale : {EnUs, PtPt, PtBr, QLocale(QLocale::French, QLocale::France),
                                  QLocale(QLocale::Swedish, QLocale::Sweden)}) {
        for (int i = 0; i < 2000; ++i) {
            const double mantissa = static_cast<double>(proximo() % 100000000000ULL) / 1000.0;
            const double v = (i % 2 == 0) ? mantissa : -mantissa;
            const QString texto = locale.toString(v, 'f', 3);
            const std::optional<double> lido = ::converterNumeroOle(texto, locale);
            QVERIFY2(lido.has_value(), qPrintable(texto));
            QCOMPARE(*lido, QString::number(v, 'f', 3).toDouble());
        }
    }
}

void TestMoeda::entradasArbitrariasNaoFalham() {
    // Texts drawn from the characters the reader cares about: it must answer
    // every one, and what it accepts must be a finite number.
    const QString alfabeto =
        QStringLiteral("0123456789 .,-+eE\tx") + QChar(0x00A0) + QChar(0x202F) + QChar(0x2212) + QChar(0xD800);
    std::uint64_t semente = 42;
    auto proximo = [&semente] {
        semente = semente * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(semente >> 33);
    };
    int aceites = 0;
    for (int i = 0; i < 20000; ++i) {
        QString texto;
        const int comprimento = static_cast<int>(proximo() % 12);
        for (int k = 0; k < comprimento; ++k)
            texto += alfabeto.at(static_cast<qsizetype>(proximo() % static_cast<std::uint32_t>(alfabeto.size())));
        for (const QLocale& locale : {EnUs, PtPt}) {
            const std::optional<double> r = ::converterNumeroOle(texto, locale);
            if (r) {
                QVERIFY2(std::isfinite(*r), qPrintable(texto));
                ++aceites;
            }
        }
    }
    // The alphabet is rich in digits: a good part of the texts are numbers.
    QVERIFY(aceites > 1000);
}

QTEST_GUILESS_MAIN(TestMoeda)
#include "tst_moeda.moc"
