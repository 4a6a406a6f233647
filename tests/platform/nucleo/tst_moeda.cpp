// Currency values and the reading of typed numbers.

#include "Moeda.h"
#include "NumeroOle.h"

#include <QDate>
#include <QTest>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 Maximo = std::numeric_limits<qint64>::max();
constexpr qint64 Minimo = std::numeric_limits<qint64>::min();

const QLocale EnUs(QLocale::English, QLocale::UnitedStates);
const QLocale PtPt(QLocale::Portuguese, QLocale::Portugal);
const QLocale PtBr(QLocale::Portuguese, QLocale::Brazil);

/// A fixed pseudo-random sequence, the same on every run.
struct Sequencia {
    std::uint64_t estado;
    std::uint64_t operator()() {
        estado = estado * 6364136223846793005ULL + 1442695040888963407ULL;
        return estado >> 17;
    }
};

} // namespace

class TestMoeda final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Moeda.
    void deDouble_data();
    void deDouble();
    void deDoubleComoOTextoMaisCurto();
    void deTextoC_data();
    void deTextoC();
    void deVariant_data();
    void deVariant();
    void operadoresEVariant();
    void arredondadoPar_data();
    void arredondadoPar();
    void formatar_data();
    void formatar();
    void paraTextoC_data();
    void paraTextoC();

    // converterNumeroOle.
    void converterNumeroOle_data();
    void converterNumeroOle();
    void textosCompridosEArbitrarios();
    void idaEVoltaPeloLocale();
};

void TestMoeda::deDouble_data() {
    QTest::addColumn<double>("valor");
    QTest::addColumn<qint64>("unidades");
    QTest::newRow("quatro casas") << 7.0001 << qint64(70001);
    QTest::newRow("meio acima") << 1.23455 << qint64(12346);
    QTest::newRow("meio acima negativo") << -1.23455 << qint64(-12346);
    QTest::newRow("abaixo do meio") << 1.23454 << qint64(12345);
    QTest::newRow("soma inexacta") << 0.1 + 0.2 << qint64(3000);
    QTest::newRow("meia unidade negativa") << -0.00005 << qint64(-1);
    QTest::newRow("nan") << std::nan("") << qint64(0);
    QTest::newRow("infinito") << std::numeric_limits<double>::infinity() << Maximo;
    QTest::newRow("muito negativo") << -1e300 << Minimo;
}

void TestMoeda::deDouble() {
    QFETCH(double, valor);
    QFETCH(qint64, unidades);
    QCOMPARE(Moeda::deDouble(valor).unidades(), unidades);
}

void TestMoeda::deDoubleComoOTextoMaisCurto() {
    // A double is the shortest decimal text that reads back as it, rounded
    // to ten-thousandths: whatever the path taken, for currency values, their
    // neighbours and arbitrary doubles.
    std::mt19937_64 g(20240517);
    auto referencia = [](double v) {
        char texto[64];
        const auto fim = std::to_chars(texto, texto + sizeof texto, v);
        return Moeda::deTextoC(QString::fromLatin1(texto, fim.ptr - texto));
    };
    for (int i = 0; i < 200000; ++i) {
        double v = 0;
        switch (i % 4) {
        case 0:
            v = static_cast<double>(static_cast<std::int64_t>(g() % 2000000000001ULL) - 1000000000000LL) / 10000.0;
            break;
        case 1:
            v = std::nextafter(static_cast<double>(static_cast<std::int64_t>(g() % 200000001ULL) - 100000000) / 100.0,
                               (g() & 1) ? 1e300 : -1e300);
            break;
        case 2: {
            std::uint64_t bits = g();
            std::memcpy(&v, &bits, sizeof v);
            if (!std::isfinite(v) || std::fabs(v) > 1e14)
                v = static_cast<double>(g() % 100000) * 0.00005;
            break;
        }
        default:
            v = static_cast<double>(g() % 17179869184ULL) / 2.0 - 4294967296.0 + 0.00005;
            break;
        }
        const auto esperado = referencia(v);
        QVERIFY(esperado.has_value());
        if (Moeda::deDouble(v) != *esperado)
            QFAIL(qPrintable(QStringLiteral("%1: %2 em vez de %3")
                                 .arg(v, 0, 'g', 17)
                                 .arg(Moeda::deDouble(v).paraTextoC(), esperado->paraTextoC())));
    }
}

void TestMoeda::deTextoC_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("valido");
    QTest::addColumn<qint64>("unidades");
    QTest::newRow("negativo") << "-12.5" << true << qint64(-125000);
    QTest::newRow("brancos") << "  3 " << true << qint64(30000);
    QTest::newRow("numeric") << "7.5000" << true << qint64(75000);
    QTest::newRow("cinco casas") << "-1.23455" << true << qint64(-12346);
    QTest::newRow("abaixo do meio") << "0.000049999" << true << qint64(0);
    QTest::newRow("pontos nas pontas") << ".5" << true << qint64(5000);
    QTest::newRow("expoente") << "1.5e3" << true << qint64(15000000);
    QTest::newRow("maximo") << "922337203685477.5807" << true << Maximo;
    QTest::newRow("minimo") << "-922337203685477.5808" << true << Minimo;
    QTest::newRow("vazio") << "" << false << qint64(0);
    QTest::newRow("letras") << "abc" << false << qint64(0);
    QTest::newRow("virgula") << "1,5" << false << qint64(0);
    QTest::newRow("dois sinais") << "--1" << false << qint64(0);
    QTest::newRow("dois pontos") << "1.2.3" << false << qint64(0);
    QTest::newRow("so ponto") << "." << false << qint64(0);
    QTest::newRow("expoente vazio") << "1e" << false << qint64(0);
    QTest::newRow("acima do maximo") << "922337203685477.5808" << false << qint64(0);
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
    QTest::newRow("int") << QVariant(-3) << true << qint64(-30000);
    QTest::newRow("qint64") << QVariant(qint64(5000000000)) << true << qint64(50000000000000);
    QTest::newRow("quint") << QVariant(8u) << true << qint64(80000);
    QTest::newRow("double") << QVariant(7.5) << true << qint64(75000);
    QTest::newRow("float") << QVariant(0.1f) << true << qint64(1000);
    QTest::newRow("numeric") << QVariant(QStringLiteral("7.5000")) << true << qint64(75000);
    QTest::newRow("bytes") << QVariant(QByteArray("12.25")) << true << qint64(122500);
    QTest::newRow("qint64 grande") << QVariant(qint64(1) << 62) << false << qint64(0);
    QTest::newRow("double infinito") << QVariant(std::numeric_limits<double>::infinity()) << false << qint64(0);
    QTest::newRow("invalido") << QVariant() << false << qint64(0);
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

void TestMoeda::operadoresEVariant() {
    const Moeda a = Moeda::deUnidades(70001);
    const Moeda b = Moeda::deInteiro(7);
    QVERIFY(b < a);
    QVERIFY(b == Moeda::deUnidades(70000));
    QCOMPARE((a - b).unidades(), 1);
    QCOMPARE((a + b).unidades(), 140001);
    QCOMPARE(Moeda::deUnidades(-25000).paraDouble(), -2.5);

    const QVariant v = QVariant::fromValue(Moeda::deUnidades(75000));
    QCOMPARE(qvariant_cast<Moeda>(v), Moeda::deUnidades(75000));
    QVERIFY(v == QVariant::fromValue(Moeda::deUnidades(75000)));
    QVERIFY(v != QVariant::fromValue(Moeda::deUnidades(75001)));
    QCOMPARE(QVariant::compare(v, QVariant::fromValue(b)), QPartialOrdering::Greater);
    QVERIFY(v != QVariant(7.5)); // another type: unequal, and no failure
    QCOMPARE(v.toString(), QStringLiteral("7.5"));
    QCOMPARE(v.toDouble(), 7.5);
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
    QTest::newRow("1.005 a 2") << qint64(10050) << 2 << qint64(10000);
    QTest::newRow("-1.015 a 2") << qint64(-10150) << 2 << qint64(-10200);
    QTest::newRow("1.2355 a 3") << qint64(12355) << 3 << qint64(12360);
    QTest::newRow("quatro casas") << qint64(12345) << 4 << qint64(12345);
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
    const QLocale sv(QLocale::Swedish, QLocale::Sweden);
    QTest::newRow("en 1234.5") << qint64(12345000) << EnUs << "1,234.50";
    QTest::newRow("en 0") << qint64(0) << EnUs << "0.00";
    QTest::newRow("en -0.5") << qint64(-5000) << EnUs << "-0.50";
    QTest::newRow("en 100") << qint64(1000000) << EnUs << "100.00";
    QTest::newRow("en milhoes") << qint64(12345678910) << EnUs << "1,234,567.89";
    QTest::newRow("en meio centimo") << qint64(-50) << EnUs << "-0.01";
    QTest::newRow("en arredonda para mil") << qint64(9999950) << EnUs << "1,000.00";
    QTest::newRow("en negativo quase zero") << qint64(-49) << EnUs << "0.00";
    QTest::newRow("en minimo") << Minimo << EnUs << "-922,337,203,685,477.58";
    QTest::newRow("pt 1234.5") << qint64(12345000) << PtPt << QString("1" + PtPt.groupSeparator() + "234,50");
    QTest::newRow("pt-BR 1234.5") << qint64(12345000) << PtBr << "1.234,50";
    QTest::newRow("sv menos") << qint64(-5000) << sv << QString(sv.negativeSign() + "0,50");
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
    QTest::addColumn<QString>("comVirgula"); // paraTexto(u",", 2)
    QTest::newRow("inteiro") << qint64(70000) << "7"
                             << "7,00";
    QTest::newRow("meio") << qint64(75000) << "7.5"
                          << "7,50";
    QTest::newRow("tres casas") << qint64(21250) << "2.125"
                                << "2,125";
    QTest::newRow("quatro casas") << qint64(70001) << "7.0001"
                                  << "7,0001";
    QTest::newRow("negativo") << qint64(-500) << "-0.05"
                              << "-0,05";
    QTest::newRow("zero") << qint64(0) << "0"
                          << "0,00";
    QTest::newRow("minimo") << Minimo << "-922337203685477.5808"
                            << "-922337203685477,5808";
}

void TestMoeda::paraTextoC() {
    QFETCH(qint64, unidades);
    QFETCH(QString, esperado);
    QFETCH(QString, comVirgula);
    const Moeda m = Moeda::deUnidades(unidades);
    QCOMPARE(m.paraTextoC(), esperado);
    QCOMPARE(m.paraTexto(u",", 2), comVirgula);
    QCOMPARE(Moeda::deTextoC(m.paraTextoC()), std::optional<Moeda>(m)); // reads back the same
}

void TestMoeda::converterNumeroOle_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("valido");
    QTest::addColumn<double>("valor");

    // The same cases under both locales, with the separators each one uses.
    for (const QLocale& l : {EnUs, PtPt}) {
        const QString n = l == EnUs ? QStringLiteral("en ") : QStringLiteral("pt ");
        const QString dec = l.decimalPoint();
        auto linha = [&](const char* nome) -> QTestData& { return QTest::newRow(qPrintable(n + QLatin1String(nome))); };
        linha("inteiro") << "7" << l << true << 7.0;
        linha("brancos") << " \t7 " << l << true << 7.0;
        linha("negativo") << "-3" << l << true << -3.0;
        linha("positivo") << "+3" << l << true << 3.0;
        linha("sinal no fim") << "3-" << l << true << -3.0;
        linha("grupos") << QString("1" + l.groupSeparator() + "234" + dec + "5") << l << true << 1234.5;
        linha("expoente") << QString("1" + dec + "5E3") << l << true << 1500.0;
        linha("expoente negativo") << "15e-1" << l << true << 1.5;
        linha("quatro casas") << QString("7" + dec + "0001") << l << true << 7.0001;
        linha("decimal no inicio") << QString(dec + "5") << l << true << 0.5;
        linha("decimal no fim") << QString("5" + dec) << l << true << 5.0;
        linha("quase zero") << "1e-999" << l << true << 0.0;
        linha("expoente vazio") << "1E" << l << false << 0.0;
        linha("expoente so sinal") << "1E+" << l << false << 0.0;
        linha("vazio") << "" << l << false << 0.0;
        linha("so brancos") << "   " << l << false << 0.0;
        linha("letras") << "abc" << l << false << 0.0;
        linha("letras no fim") << "12abc" << l << false << 0.0;
        linha("excede") << "1e999" << l << false << 0.0;
        linha("excede pouco") << "1.8e308" << l << false << 0.0;
        linha("dois sinais") << "--1" << l << false << 0.0;
        linha("sinal dos dois lados") << "-1-" << l << false << 0.0;
        linha("so decimal") << dec << l << false << 0.0;
        linha("so sinal") << "-" << l << false << 0.0;
        linha("so expoente") << "e5" << l << false << 0.0;
        linha("sinal separado") << "- 5" << l << false << 0.0;
        linha("dois decimais") << QString("1" + dec + "2" + dec + "3") << l << false << 0.0;
    }
    // Group separators anywhere between digits of the integer part, and nowhere else.
    QTest::newRow("en 1,234.5") << "1,234.5" << EnUs << true << 1234.5;
    QTest::newRow("en grupos soltos") << "1,2,3" << EnUs << true << 123.0;
    QTest::newRow("en grupo no fim") << "1," << EnUs << false << 0.0;
    QTest::newRow("en grupo no inicio") << ",1" << EnUs << false << 0.0;
    QTest::newRow("en grupo duplo") << "1,,2" << EnUs << false << 0.0;
    QTest::newRow("en grupo nas decimais") << "1.2,5" << EnUs << false << 0.0;
    QTest::newRow("en espaco") << "1 234" << EnUs << false << 0.0;
    // Qt's Portuguese (Portugal) groups with a space: any space will do, the point is nothing.
    QTest::newRow("pt grupo espaco") << "1 234,5" << PtPt << true << 1234.5;
    QTest::newRow("pt 1.234,5") << "1.234,5" << PtPt << false << 0.0;
    QTest::newRow("pt espaco antes da virgula") << "1 ,5" << PtPt << false << 0.0;
    QTest::newRow("br 1.234,5") << "1.234,5" << PtBr << true << 1234.5;
    QTest::newRow("fr espaco fino") << "1 234,5" << QLocale(QLocale::French, QLocale::France) << true << 1234.5;
    QTest::newRow("sv menos unicode") << QString(QChar(0x2212) + QStringLiteral("3"))
                                      << QLocale(QLocale::Swedish, QLocale::Sweden) << true << -3.0;
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

void TestMoeda::textosCompridosEArbitrarios() {
    const QString zeros(100000, QLatin1Char('0'));
    QVERIFY(!::converterNumeroOle(QString(100000, QLatin1Char('1')), EnUs).has_value());
    QCOMPARE(::converterNumeroOle(zeros, EnUs), std::optional<double>(0.0));
    QCOMPARE(::converterNumeroOle("0." + zeros + "1", EnUs), std::optional<double>(0.0));
    QVERIFY(!::converterNumeroOle("1e" + QString(1000, QLatin1Char('9')), EnUs).has_value());
    QCOMPARE(::converterNumeroOle(QStringLiteral("0.1000000000000000000000000000001"), EnUs),
             std::optional<double>(0.1));

    // Texts drawn from the characters the reader cares about: every one gets
    // an answer, and what is accepted is a finite number.
    const QString alfabeto =
        QStringLiteral("0123456789 .,-+eE\tx") + QChar(0x00A0) + QChar(0x202F) + QChar(0x2212) + QChar(0xD800);
    Sequencia proximo{42};
    int aceites = 0;
    for (int i = 0; i < 20000; ++i) {
        QString texto;
        for (auto k = proximo() % 12; k > 0; --k)
            texto += alfabeto.at(static_cast<qsizetype>(proximo() % static_cast<std::uint64_t>(alfabeto.size())));
        for (const QLocale& locale : {EnUs, PtPt}) {
            if (const std::optional<double> r = ::converterNumeroOle(texto, locale)) {
                QVERIFY2(std::isfinite(*r), qPrintable(texto));
                ++aceites;
            }
        }
    }
    QVERIFY(aceites > 1000);
}

void TestMoeda::idaEVoltaPeloLocale() {
    // What a locale writes (grouped, its own decimal separator) reads back exactly.
    Sequencia proximo{12345};
    for (const QLocale& locale :
         {EnUs, PtPt, PtBr, QLocale(QLocale::French, QLocale::France), QLocale(QLocale::Swedish, QLocale::Sweden)}) {
        for (int i = 0; i < 2000; ++i) {
            const double v = static_cast<double>(proximo() % 100000000000ULL) / (i % 2 ? 1000.0 : -1000.0);
            const QString texto = locale.toString(v, 'f', 3);
            const std::optional<double> lido = ::converterNumeroOle(texto, locale);
            QVERIFY2(lido.has_value(), qPrintable(texto));
            QCOMPARE(*lido, QString::number(v, 'f', 3).toDouble());
        }
    }
}

QTEST_GUILESS_MAIN(TestMoeda)
#include "tst_moeda.moc"
