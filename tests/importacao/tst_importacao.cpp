#include "Erro.h"
#include "ImportacaoAberta.h"

#include <QFile>
#include <QTest>

using Campo = Importacao::Campo;

class tst_Importacao : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void modoGravacao_data() {
        QTest::addColumn<int>("tpdsaft");
        QTest::addColumn<QVariant>("origem"); // invalid: no NOMSERIE row
        QTest::addColumn<int>("modo");
        const QVariant semLinha;
        const QVariant vazio = QStringLiteral("NULL");
        QTest::newRow("origem 1, flag 1") << 1 << QVariant(1) << 1;
        QTest::newRow("origem 1, flag 0") << 0 << QVariant(1) << 1;
        QTest::newRow("origem 2, flag 1") << 1 << QVariant(2) << 2;
        QTest::newRow("origem 2, flag 0") << 0 << QVariant(2) << 0;
        QTest::newRow("origem 5, flag 1") << 1 << QVariant(5) << 3;
        QTest::newRow("origem 3, flag 0") << 0 << QVariant(3) << 0;
        QTest::newRow("origem vazia, flag 1") << 1 << vazio << 3;
        QTest::newRow("origem vazia, flag 0") << 0 << vazio << 0;
        QTest::newRow("TPDSAFT 7 conta como 1") << 7 << QVariant(2) << 2;
        QTest::newRow("sem serie, flag 1") << 1 << semLinha << 0;
    }
    void modoGravacao() {
        QFETCH(int, tpdsaft);
        QFETCH(QVariant, origem);
        QFETCH(int, modo);
        AmbienteJanela a(motorActual());
        a.base.executar(QStringLiteral("UPDATE TpDoc SET TPDSAFT = ? WHERE Codigo = 'GR'"), {tpdsaft});
        if (!origem.isValid())
            a.base.executar(QStringLiteral("DELETE FROM NOMSERIE WHERE TipoDoc = 'GR'"));
        else if (origem == QVariant(QStringLiteral("NULL")))
            a.base.executar(QStringLiteral("UPDATE NOMSERIE SET Origem = NULL WHERE TipoDoc = 'GR' AND Serie = 1"));
        else
            a.base.executar(QStringLiteral("UPDATE NOMSERIE SET Origem = ? WHERE TipoDoc = 'GR' AND Serie = 1"),
                            {origem});
        ImportacaoAberta c(a);
        QCOMPARE(int(c.i.modoGravacao()), modo);
        QVERIFY(c.avisos.empty());
    }

    void parametrosLidosPorOrdem() {
        AmbienteJanela a(motorActual(), "ENTRADAS=ENT,1,A1,Texto,0.1\nguias=GR,1,2,A1\nENCOMENDAS=ENC,1,ENV,2,XX\n");
        ImportacaoAberta c(a);
        // An unpaired last item of ENCOMENDAS is not used.
        QVERIFY(c.i.tiposEncomenda() == (std::vector<TipoEncomenda>{{"ENC", 1}, {"ENV", 2}}));
        QCOMPARE(c.i.tiposGuia().tipo, QStringLiteral("GR"));
        QCOMPARE(c.i.tiposGuia().serie, qint16(1));
        QCOMPARE(c.i.tiposGuia().sector, QStringLiteral("2"));
        QCOMPARE(c.i.tiposGuia().armazem, QStringLiteral("A1"));
        QCOMPARE(c.i.tiposEntrada().tipo, QStringLiteral("ENT"));
        QCOMPARE(c.i.tiposEntrada().observacoes, QStringLiteral("Texto"));
        QCOMPARE(c.i.tiposEntrada().factor.texto(), QStringLiteral("0.1"));
    }

    void parametrosRecusados_data() {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("motivo");
        const QByteArray enc = "ENCOMENDAS=ENC,1\r\n";
        const QByteArray ent = "ENTRADAS=ENT,1,A1,T,0\r\n";
        const QByteArray gui = "GUIAS=GR,1,2,A1\r\n";
        QTest::newRow("GUIAS curta") << (enc + "GUIAS=GR,1,1\r\n" + ent) << "GUIAS";
        QTest::newRow("GUIAS em falta") << (enc + ent) << "GUIAS";
        QTest::newRow("serie da guia") << (enc + "GUIAS=GR,X,1,A1\r\n" + ent) << "GUIAS";
        QTest::newRow("ENTRADAS curta") << (enc + gui + "ENTRADAS=ENT,1,A1,T\r\n") << "ENTRADAS";
        QTest::newRow("serie da entrada") << (enc + gui + "ENTRADAS=ENT,40000,A1,T,0\r\n") << "ENTRADAS";
        QTest::newRow("ENCOMENDAS sem par") << ("ENCOMENDAS=ENC\r\n" + gui + ent) << "ENCOMENDAS";
        QTest::newRow("ENCOMENDAS vazia") << ("ENCOMENDAS=\r\n" + gui + ent) << "ENCOMENDAS";
        QTest::newRow("serie da encomenda") << ("ENCOMENDAS=ENC,S1\r\n" + gui + ent) << "ENCOMENDAS";
        QTest::newRow("tipo sem TpDoc") << (enc + "GUIAS=ZZ,1,1,A1\r\n" + ent) << "TpDoc";
        // The Guia's series is a 16-bit number, as the ERP keeps it.
        QTest::newRow("serie da guia acima de 16 bits") << (enc + "GUIAS=GR,40000,2,A1\r\n" + ent) << "GUIAS";
        // The price factor: a plain decimal number written with ".", 0 to less than 1.
        QTest::newRow("factor com virgula") << (enc + gui + "ENTRADAS=ENT,1,A1,T,0,1\r\n") << "ENTRADAS";
        QTest::newRow("factor em percentagem") << (enc + gui + "ENTRADAS=ENT,1,A1,T,10%\r\n") << "ENTRADAS";
        QTest::newRow("factor com texto depois") << (enc + gui + "ENTRADAS=ENT,1,A1,T,0.1x\r\n") << "ENTRADAS";
        QTest::newRow("factor texto") << (enc + gui + "ENTRADAS=ENT,1,A1,T,abc\r\n") << "ENTRADAS";
        QTest::newRow("factor com expoente") << (enc + gui + "ENTRADAS=ENT,1,A1,T,1e-1\r\n") << "ENTRADAS";
        QTest::newRow("factor negativo") << (enc + gui + "ENTRADAS=ENT,1,A1,T,-0.1\r\n") << "ENTRADAS";
        QTest::newRow("factor 1") << (enc + gui + "ENTRADAS=ENT,1,A1,T,1\r\n") << "ENTRADAS";
    }
    void parametrosRecusados() {
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, motivo);
        AmbienteJanela a(motorActual(), conteudo);
        Importacao i(a.pastas);
        try {
            i.abrir(a.bd, a.sessao());
            QFAIL("the load must refuse these parameters");
        } catch (const Erro& e) {
            QVERIFY2(e.texto().contains(QStringLiteral("zeb_Parametros_Orlavane.zeb")), qPrintable(e.texto()));
            QVERIFY2(e.texto().contains(motivo), qPrintable(e.texto()));
        }
    }

    void parametrosEmFalta() {
        AmbienteJanela a(motorActual());
        QFile::remove(a.app.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
        Importacao i(a.pastas);
        QVERIFY_THROWS_EXCEPTION(Erro, i.abrir(a.bd, a.sessao()));
    }

    void limparDeixaComoAoAbrir() {
        AmbienteJanela a(motorActual());
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}, {"A2", 7}});
        ImportacaoAberta c(a);
        QVERIFY(c.limpa());
        c.i.definirValidarCampo(true);
        QVERIFY(c.i.sairDoCampo(Campo::Cliente, QStringLiteral("C1")));
        c.i.definirValidarCampo(true);
        QVERIFY(c.i.sairDoCampo(Campo::Artigo, QStringLiteral("A1")));
        c.carregar(QStringLiteral("C1"));
        c.m().definirMarca(3, true);
        c.i.marcarTodas();
        QVERIFY(!c.limpa() && !c.i.marcarSeguinte() && !c.i.estado().isEmpty());
        c.i.limpar();
        QVERIFY(c.limpa());
        QVERIFY(c.i.nome(Campo::Artigo).isEmpty() && c.i.estado().isEmpty());
        QVERIFY(!c.m().marcada(3));
        QCOMPARE(c.limpezas, 1);
        // What clearing leaves alone.
        QCOMPARE(c.i.tiposGuia().tipo, QStringLiteral("GR"));
    }

    // The checks of the client and article fields when the focus leaves
    // them, only for a field typed into (or filled from a list) since.
    void camposAoSair_data() {
        QTest::addColumn<int>("campo");
        QTest::addColumn<bool>("escrito");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("pode");
        QTest::addColumn<QString>("aviso");
        QTest::addColumn<QString>("nome"); // the name shown after; "-" for the one shown before
        const int cliente = int(Campo::Cliente), artigo = int(Campo::Artigo);
        QTest::newRow("cliente nao escrito") << cliente << false << "NAO-EXISTE" << true << ""
                                             << "-";
        QTest::newRow("cliente") << cliente << true << "C2" << true << ""
                                 << "Cliente Dois, SA";
        QTest::newRow("cliente vazio") << cliente << true << "" << false << "Campo obrigatório!"
                                       << "-";
        QTest::newRow("cliente inexistente") << cliente << true << "C9" << false << "Cliente não existente!"
                                             << "-";
        QTest::newRow("cliente com aspa") << cliente << true << "O'BRIEN" << true << ""
                                          << "O'Brien & Filhos";
        QTest::newRow("artigo") << artigo << true << "A2" << true << ""
                                << "Porca M6";
        QTest::newRow("artigo inactivo") << artigo << true << "A9" << false << "Artigo não existente!"
                                         << "";
        QTest::newRow("artigo vazio") << artigo << true << "" << true << ""
                                      << "";
        QTest::newRow("numero") << int(Campo::Numero) << true << "12" << true << ""
                                << "";
    }
    void camposAoSair() {
        QFETCH(int, campo);
        QFETCH(bool, escrito);
        QFETCH(QString, texto);
        QFETCH(bool, pode);
        QFETCH(QString, aviso);
        QFETCH(QString, nome);
        AmbienteJanela a(motorActual());
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}});
        ImportacaoAberta c(a);
        const Campo k = Campo(campo);
        // A name shown and lines loaded before.
        c.i.definirValidarCampo(true);
        QVERIFY(c.i.sairDoCampo(k == Campo::Artigo ? Campo::Artigo : Campo::Cliente,
                                k == Campo::Artigo ? QStringLiteral("A1") : QStringLiteral("C1")));
        const QString antes = c.i.nome(k);
        c.carregar(QStringLiteral("C1"));
        c.i.definirValidarCampo(escrito);
        QCOMPARE(c.i.sairDoCampo(k, texto), pode);
        QVERIFY(!c.i.validarCampo());
        QCOMPARE(c.avisos.join('|'), aviso);
        QCOMPARE(c.i.nome(k), nome == QLatin1String("-") ? antes : nome);
        // A client accepted makes the next load start a fresh grid.
        QCOMPARE(c.i.linhasCarregadas(), k == Campo::Cliente && escrito && pode ? 0 : 1);
    }

    void artigoDeixadoVazio() {
        AmbienteJanela a(motorActual());
        ImportacaoAberta c(a);
        c.i.definirValidarCampo(true);
        QVERIFY(c.i.sairDoCampo(Campo::Artigo, QStringLiteral("A2")));
        c.i.campoDeixado(Campo::Artigo, QStringLiteral("A2"));
        QCOMPARE(c.i.nome(Campo::Artigo), QStringLiteral("Porca M6"));
        c.i.campoDeixado(Campo::Artigo, QString());
        QVERIFY(c.i.nome(Campo::Artigo).isEmpty());
    }

    void outraColunaSemValidacao() {
        AmbienteJanela a(motorActual());
        ImportacaoAberta c(a);
        c.i.definirValidarCampo(true);
        const Importacao::Confirmacao r =
            c.i.antesDeConfirmar(c.m().indice(0, ColunaEncomenda::Designacao), QStringLiteral("abc"), QVariant("x"));
        QVERIFY(!r.cancelar && !r.textoEditor);
        QVERIFY(c.avisos.empty());
        QVERIFY(!c.i.validarCampo());
    }

    // Gone without terminar() (the window's Sair and close call it once), it terminates.
    void terminaAoDestruir() {
        AmbienteJanela a(motorActual());
        { ImportacaoAberta c(a); }
        QCOMPARE(a.contagem.logoffs, 1);
        QVERIFY(!a.bd.aberta());
    }
};

QTEST_GUILESS_MAIN(tst_Importacao)
#include "tst_importacao.moc"
