#include "ImportacaoAberta.h"

#include <QTest>

using Campo = Importacao::Campo;

namespace {

/// Orders of client C1 (and one of C2) of the configured types and others.
void encomendas(BaseTeste& b) {
    b.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}, {"A2", 7}});
    b.encomenda("ENC", 1, 11, 2024, "C1", "2024-02-01", "R2", {{"A1", 3}, {"A3", 2}});
    b.encomenda("ENV", 2, 20, 2024, "C1", "2024-04-01", "R1", {{"A2", 4}});
    b.encomenda("ENC", 1, 12, 2024, "C1", "2024-01-10", "R3", {{"A1", 0}, {"A2", 6}});
    b.encomenda("ORC", 1, 30, 2024, "C1", "2024-01-01", "", {{"A1", 9}});
    b.encomenda("ENV", 1, 31, 2024, "C1", "2024-01-01", "", {{"A1", 9}}); // series not configured
    b.encomenda("ENC", 1, 40, 2024, "C2", "2024-01-01", "", {{"A1", 1}});
    // Line 2 of ENC/1/12 is annulled; line 1 is fully satisfied.
    b.executar("UPDATE DOCGCLIN SET LINANU = -1 WHERE TPDOCUM = 'ENC' AND NNUMDOC = 12 AND NUMLINHA = 2");
}

/// The loaded lines as "order#line", in row order.
QStringList referencias(ImportacaoAberta& c) {
    QStringList r;
    for (int i = 0; i < c.i.linhasCarregadas(); ++i)
        r << c.celula(i, ColunaEncomenda::NumEnc) + QLatin1Char('#') + c.celula(i, ColunaEncomenda::LinhaEnc);
    return r;
}

/// A client code accepted through the client field's check.
void aceitarCliente(ImportacaoAberta& c, const QString& codigo) {
    c.i.definirValidarCampo(true);
    QVERIFY(c.i.sairDoCampo(Campo::Cliente, codigo));
}

} // namespace

class tst_Carga : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void primeiraCarga() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        ImportacaoAberta c(a);
        c.carregar(QStringLiteral("C1"));
        QVERIFY2(c.avisos.empty(), qPrintable(c.avisos.join('|')));
        // Oldest first; only configured types and series, pending and not annulled.
        QCOMPARE(referencias(c), (QStringList{"ENC/1/11#1", "ENC/1/11#2", "ENC/1/10#1", "ENC/1/10#2", "ENV/2/20#1"}));
        QCOMPARE(c.i.linhasCarregadas(), 5);
        QCOMPARE(c.m().numeroLinhas(), 60);
        QCOMPARE(c.celula(0, ColunaEncomenda::Artigo), QStringLiteral("A1"));
        QCOMPARE(c.celula(0, ColunaEncomenda::Designacao), QStringLiteral("Linha 1 de A1"));
        QCOMPARE(c.celula(0, ColunaEncomenda::DataEnt), QStringLiteral("01-02-2024"));
        QCOMPARE(c.celula(0, ColunaEncomenda::DataDoc), QStringLiteral("01-02-2024"));
        QCOMPARE(c.celula(0, ColunaEncomenda::Req), QStringLiteral("R2"));
        QCOMPARE(c.celula(0, ColunaEncomenda::TpDoc), QStringLiteral("ENC"));
        const LinhaEncomenda& l = *c.m().encomenda(0);
        QCOMPARE(l.chave.serie, 1);
        QCOMPARE(l.chave.numero, 11);
        QCOMPARE(l.chave.ano, 2024);
        QCOMPARE(l.chave.linha, 1);
        QCOMPARE(c.celula(0, ColunaEncomenda::Terceiro), QStringLiteral("C1"));
        QCOMPARE(l.quantidadePendente, Moeda::deInteiro(3));
        QCOMPARE(l.quantidadeOriginal, Moeda::deInteiro(3));
        QCOMPARE(l.preco, Moeda::deInteiro(10));
        QCOMPARE(c.m().quantidade(0), Moeda());
        QVERIFY(!c.m().marcada(0));
        QVERIFY(c.celula(5, ColunaEncomenda::Artigo).isEmpty());
        // The empty texts of the other three filters are recorded.
        QCOMPARE(c.i.filtrosUsados().numeros, QStringList{""});
        QCOMPARE(c.i.filtrosUsados().artigos, QStringList{""});

        c.carregar(QStringLiteral("C1"));
        QCOMPARE(c.avisos, QStringList{"Estes filtros já foram utilizados!"});
        QCOMPARE(c.i.linhasCarregadas(), 5);
    }

    void recusas() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        ImportacaoAberta c(a);
        c.carregar(QString(), QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("R1"));
        QCOMPARE(c.avisos, QStringList{"Campo Cliente obrigatório!"});
        QCOMPARE(c.focos, std::vector<Campo>{Campo::Cliente});
        QCOMPARE(c.i.filtrosUsados().tamanho(), 0);

        // Blanks are a client code like any other, and find nothing here.
        c.avisos.clear();
        c.carregar(QStringLiteral(" C1"));
        QCOMPARE(c.avisos, QStringList{"Não existem Encomendas para as condições solicitadas!"});
        QCOMPARE(c.i.linhasCarregadas(), 0);
        QCOMPARE(c.i.filtrosUsados().tamanho(), 0);
        // The same filters may be tried again at once.
        c.avisos.clear();
        c.carregar(QStringLiteral(" C1"));
        QCOMPARE(c.avisos, QStringList{"Não existem Encomendas para as condições solicitadas!"});

        // An order number no order can have finds nothing, without a database error.
        c.avisos.clear();
        c.carregar(QStringLiteral("C1"), QString(), QStringLiteral("999999999999999"));
        QCOMPARE(c.avisos, QStringList{"Não existem Encomendas para as condições solicitadas!"});

        // After a load, the same three filters together are refused; the focus goes to the order number.
        c.avisos.clear();
        c.carregar(QStringLiteral("C1"), QString(), QStringLiteral("10"));
        QCOMPARE(c.i.linhasCarregadas(), 2);
        c.carregar(QStringLiteral("C1"), QString(), QStringLiteral("10"));
        QCOMPARE(c.avisos, QStringList{"Estes filtros já foram utilizados!"});
        QCOMPARE(c.focos, (std::vector<Campo>{Campo::Cliente, Campo::Numero}));
        QCOMPARE(c.i.linhasCarregadas(), 2);
    }

    void acrescentaSemRepetir() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        ImportacaoAberta c(a);
        c.carregar(QStringLiteral("C1"), QString(), QStringLiteral("10"));
        c.carregar(QStringLiteral("C1"), QString(), QStringLiteral("11"));
        QCOMPARE(referencias(c), (QStringList{"ENC/1/10#1", "ENC/1/10#2", "ENC/1/11#1", "ENC/1/11#2"}));
        // Order 11 again with the other filters empty: used before.
        c.carregar(QStringLiteral("C1"), QString(), QStringLiteral("11"));
        QCOMPARE(c.avisos, QStringList{"Estes filtros já foram utilizados!"});
        // The client alone: the lines already in the grid are not written twice.
        c.avisos.clear();
        c.carregar(QStringLiteral("C1"));
        QVERIFY(c.avisos.empty());
        QCOMPARE(referencias(c), (QStringList{"ENC/1/10#1", "ENC/1/10#2", "ENC/1/11#1", "ENC/1/11#2", "ENV/2/20#1"}));
        QCOMPARE(c.i.filtrosUsados().tamanho(), 3);
        // Only lines already there: a load that found nothing.
        c.carregar(QStringLiteral("C1"), QStringLiteral("A1"));
        QCOMPARE(c.avisos, QStringList{"Não existem Encomendas para as condições solicitadas!"});
        QCOMPARE(c.i.linhasCarregadas(), 5);
        QCOMPARE(c.i.filtrosUsados().tamanho(), 3);
    }

    void combinacaoNuncaUsadaAceite() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        ImportacaoAberta c(a);
        c.carregar(QStringLiteral("C1"), QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("R1"));
        c.carregar(QStringLiteral("C1"), QStringLiteral("A3"), QStringLiteral("11"), QStringLiteral("R2"));
        QCOMPARE(c.i.filtrosUsados().tamanho(), 2);
        // Order 10 with reference R2 and article A3 never ran together: it runs (and finds nothing).
        c.carregar(QStringLiteral("C1"), QStringLiteral("A3"), QStringLiteral("10"), QStringLiteral("R2"));
        QCOMPARE(c.avisos, QStringList{"Não existem Encomendas para as condições solicitadas!"});
    }

    void clienteAceiteRecomeca() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        ImportacaoAberta c(a);
        c.carregar(QStringLiteral("C1"));
        c.m().definirMarca(0, true);
        // Accepting a client code (here C2) through the field's check.
        aceitarCliente(c, QStringLiteral("C2"));
        QCOMPARE(c.i.linhasCarregadas(), 0);
        QCOMPARE(c.i.nome(Campo::Cliente), QStringLiteral("Cliente Dois, SA"));
        // The old rows stay until the next load, which starts afresh at row 0.
        QCOMPARE(c.celula(0, ColunaEncomenda::Terceiro), QStringLiteral("C1"));
        c.carregar(QStringLiteral("C2"));
        QCOMPARE(referencias(c), QStringList{"ENC/1/40#1"});
        QVERIFY(!c.m().marcada(0));
        QVERIFY(c.celula(1, ColunaEncomenda::Artigo).isEmpty());
        QCOMPARE(c.i.filtrosUsados().tamanho(), 1);
    }

    // The status line speaks of the grid on screen: the count after a load,
    // nothing once the grid is laid out anew, also when the load that did it
    // finds nothing.
    void estadoSegueAGrelha() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        ImportacaoAberta c(a);
        c.carregar(QStringLiteral("C1"));
        QCOMPARE(c.i.estado(), QStringLiteral("5 linha(s) pendente(s) na grelha."));
        aceitarCliente(c, QStringLiteral("O'BRIEN"));
        QCOMPARE(c.i.linhasCarregadas(), 0);
        c.carregar(QStringLiteral("O'BRIEN"));
        QCOMPARE(c.avisos, QStringList{"Não existem Encomendas para as condições solicitadas!"});
        QVERIFY(c.celula(0, ColunaEncomenda::Artigo).isEmpty());
        QCOMPARE(c.i.estado(), QString());
    }

    void linhaMarcadaVaziaChegaDesmarcada() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        ImportacaoAberta c(a);
        c.carregar(QStringLiteral("C1"), QString(), QStringLiteral("10"));
        // The operator ticks the empty row below the lines, then loads more into it.
        c.m().definirMarca(2, true);
        c.carregar(QStringLiteral("C1"), QString(), QStringLiteral("11"));
        QCOMPARE(c.celula(2, ColunaEncomenda::NumEnc), QStringLiteral("ENC/1/11"));
        QVERIFY(!c.m().marcada(2));
    }

    void crescimento_data() {
        QTest::addColumn<int>("linhas");
        QTest::addColumn<int>("total");
        QTest::newRow("58") << 58 << 60;
        QTest::newRow("59") << 59 << 61;
        QTest::newRow("60") << 60 << 62;
    }
    void crescimento() {
        QFETCH(int, linhas);
        QFETCH(int, total);
        AmbienteJanela a(motorActual());
        std::vector<std::pair<QString, double>> l(static_cast<size_t>(linhas), {QStringLiteral("A1"), 1.0});
        a.base.encomenda("ENC", 1, 1, 2024, "C1", "2024-01-01", "", l);
        ImportacaoAberta c(a);
        c.carregar(QStringLiteral("C1"));
        QCOMPARE(c.i.linhasCarregadas(), linhas);
        QCOMPARE(c.m().numeroLinhas(), total);
    }

    void codigoComAspa() {
        AmbienteJanela a(motorActual());
        a.base.encomenda("ENC", 1, 1, 2024, "O'BRIEN", "2024-01-01", "It's", {{"A1", 2}});
        a.base.encomenda("ENC", 1, 2, 2024, "C1", "2024-01-01", "", {{"A1", 2}});
        ImportacaoAberta c(a);
        c.carregar(QStringLiteral("O'BRIEN"), QString(), QString(), QStringLiteral("It's"));
        QCOMPARE(referencias(c), QStringList{"ENC/1/1#1"});
        // A text that would change the statement is only a value.
        c.carregar(QStringLiteral("C1' OR '1'='1"));
        QCOMPARE(c.avisos, QStringList{"Não existem Encomendas para as condições solicitadas!"});
        QCOMPARE(a.base.escalar("SELECT COUNT(*) FROM Clientes").toInt(), 4);
    }
};

QTEST_GUILESS_MAIN(tst_Carga)
#include "tst_carga.moc"
