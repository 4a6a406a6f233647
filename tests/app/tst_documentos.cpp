#include "AmbienteJanela.h"
#include "CampoEntrada.h"
#include "ErpGravador.h"
#include "ErpLocal.h"
#include "Esquema.h"
#include "Grelha.h"
#include "ModeloEncomendas.h"
#include "frmImportacao.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

const QString Hoje = QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy"));

/// A window over client C1's orders (ENC/1/10: A1 5, A2 7; ENC/1/11: A3 2, A1 4),
/// loaded, with the ERP session the test chose.
struct Cenario {
    Cenario(Motor motor, std::unique_ptr<SessaoErp> sessao,
            const QByteArray& parametros = AmbienteJanela::ParametrosDemo)
        : a(motor, parametros) {
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}, {"A2", 7}});
        a.base.encomenda("ENC", 1, 11, 2024, "C1", "2024-03-06", "R2", {{"A3", 2}, {"A1", 4}});
        erp = sessao.get();
        SessaoErp::instalarGlobal(std::move(sessao));
        w.bd = &a.bd;
        w.Form_Load();
        mostrarActiva(w);
        w.campo[1]->setText(QStringLiteral("C1"));
        w.btCarga_Click();
    }
    void marcar(int linha, double qtd) {
        w.modeloLinhas->definirMarca(linha, true);
        w.modeloLinhas->definirQuantidade(linha, Moeda::deDouble(qtd));
    }
    QVariant escalar(const QString& sql) { return a.base.escalar(sql); }

    AmbienteJanela a;
    SessaoErp* erp = nullptr;
    frmImportacao w;
};

ErpGravador* gravador(Cenario& c) {
    return static_cast<ErpGravador*>(c.erp);
}

std::unique_ptr<SessaoErp> erpLocal(BaseTeste& base) {
    base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
    Esquema::definirUtilizadorErp(base.db(), QStringLiteral("op"), QStringLiteral("segredo"));
    auto erp = std::make_unique<ErpLocal>();
    if (!erp->login(QStringLiteral("op"), QStringLiteral("segredo"), QStringLiteral("DEMO"), base.textoLigacao(),
                    QStringLiteral("posto1")))
        qFatal("local ERP login failed");
    return erp;
}

/// The lines of the calls that start with one of the prefixes.
QStringList so(const QStringList& chamadas, const QStringList& prefixos) {
    QStringList r;
    for (const QString& c : chamadas)
        for (const QString& p : prefixos)
            if (c.startsWith(p)) {
                r << c;
                break;
            }
    return r;
}

} // namespace

class tst_Documentos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cabecalhoELinhas() {
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        // Three marked rows among sixty (rows 0, 1 and 3), in row order.
        c.marcar(0, 3);
        c.marcar(1, 7);
        c.marcar(3, 4);
        c.w.btEnc_Click();
        QVERIFY2(c.a.mensagens.caixas.empty(), qPrintable(c.a.mensagens.textos().join('|')));
        const QStringList ch = gravador(c)->chamadas;
        const qsizetype inicio = ch.indexOf(QStringLiteral("CriaObjectoApi(ErpApi.DocumentoComercial)"));
        QVERIFY(inicio > 0);
        const QStringList cabecalho = ch.mid(inicio, 19);
        QCOMPARE(cabecalho, (QStringList{
                                "CriaObjectoApi(ErpApi.DocumentoComercial)",
                                QStringLiteral("Cab.Ano=%1 (short)").arg(QDate::currentDate().year()),
                                "Cab.Data=" + Hoje,
                                "Cab.AreaGestao=4 (short)",
                                "Cab.Sector=1",
                                "Cab.Serie=1",
                                "Cab.TipoDocumento=GR",
                                "Cab.TipoTerceiro=2 (short)",
                                "Cab.Terceiro=C1",
                                "Cab.TipoPreco=0 (short)",
                                "Validar()",
                                "Cab.NumeroContribuinte=",
                                "Cab.DescontoCabecalho=0 (short)",
                                "Cab.Processo=",
                                "Cab.VossoNoDocumento=",
                                "Cab.MeiodeTransporte=",
                                "Cab.Matricula=",
                                "Cab.LocalCarga=",
                                "Cab.LocalDescarga=",
                            }));
        // Each line: its members in order, pointing back at its order line.
        const QStringList primeira = ch.mid(inicio + 19, 16);
        QCOMPARE(primeira, (QStringList{
                               "CriaObjectoApi(ErpApi.DocumentosGcLin)",
                               "Linha.TipoDeLinha=1 (short)",
                               "Linha.Artigo=A1",
                               "Linha.Armazem=A1",
                               "SugereValoresLin(true,true,false,true,true,false,true)",
                               "Linha.Descricao=Linha 1 de A1",
                               "Linha.Quantidade=3 (Moeda)",
                               "Linha.QuantidadeOrigem=3 (Moeda)",
                               "Linha.PrecoUnitario=10 (Moeda)",
                               "Linha.OrDoc=ENC",
                               "Linha.Orano=2024 (qlonglong)",
                               "Linha.OrNum=10 (qlonglong)",
                               "Linha.Orserie=1 (qlonglong)",
                               "Linha.LinhaOriginal=1 (qlonglong)",
                               "AdicionaLinha()",
                               "CriaObjectoApi(ErpApi.DocumentosGcLin)",
                           }));
        QCOMPARE(so(ch, {"Linha.Artigo", "Linha.Quantidade=", "Linha.OrNum", "Linha.LinhaOriginal", "GravaDocumento"}),
                 (QStringList{"Linha.Artigo=A1", "Linha.Quantidade=3 (Moeda)", "Linha.OrNum=10 (qlonglong)",
                              "Linha.LinhaOriginal=1 (qlonglong)", "Linha.Artigo=A2", "Linha.Quantidade=7 (Moeda)",
                              "Linha.OrNum=10 (qlonglong)", "Linha.LinhaOriginal=2 (qlonglong)", "Linha.Artigo=A1",
                              "Linha.Quantidade=4 (Moeda)", "Linha.OrNum=11 (qlonglong)",
                              "Linha.LinhaOriginal=2 (qlonglong)", "GravaDocumento(2)"}));
        // Success: no message, an empty grid, the focus in the client field.
        QCOMPARE(c.w.modeloLinhas->numeroLinhas(), 60);
        QVERIFY(!c.w.modeloLinhas->encomenda(0));
        QCOMPARE(c.w.focusWidget(), static_cast<QWidget*>(c.w.campo[1]));
        QVERIFY(c.w.campo[1]->text().isEmpty());
        QVERIFY(!c.w.DocComercial);
        QVERIFY(c.w.btEnc->isEnabled());
    }

    void entrada() {
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>(),
                  "ENCOMENDAS=ENC,1\r\nGUIAS=GR,1,1,A1\r\nENTRADAS=ENT,7,ARM,Obs,0.1\r\n");
        c.marcar(1, 7);
        c.w.btEnc_Click();
        const auto& entradas = gravador(c)->entradas;
        QCOMPARE(entradas.size(), size_t(1));
        const auto& e = entradas.front();
        QCOMPARE(e.p1, 1);
        QCOMPARE(e.p2, 4);
        QCOMPARE(e.tipo, QStringLiteral("ENT"));
        QCOMPARE(e.textoA, QStringLiteral("ARM"));
        QCOMPARE(e.textoA2, QStringLiteral("ARM"));
        QCOMPARE(e.serie, qint16(7));
        QCOMPARE(e.data, Hoje);
        QCOMPARE(e.textoB, QStringLiteral("Obs"));
        QCOMPARE(e.p12, 0);
        QCOMPARE(e.artigos, (QStringList{"", "A2"}));
        QCOMPARE(e.descricoes, (QStringList{"", "Linha 2 de A2"}));
        QCOMPARE(e.quantidades, (std::vector<double>{0, 7}));
        QCOMPARE(e.precos, (std::vector<double>{0, 9})); // 10 less 10%
        QCOMPARE(e.textos, (QStringList{"", ""}));
        const QStringList ch = gravador(c)->chamadas;
        QCOMPARE(ch.mid(0, 2), (QStringList{"OpcaoEntrada1=true", "OpcaoEntrada2=true"}));
    }

    void factorDePreco_data() {
        QTest::addColumn<QByteArray>("factor");
        QTest::addColumn<double>("preco");
        QTest::addColumn<double>("esperado");
        QTest::newRow("vazio") << QByteArray() << 12.345 << 12.34; // half to even
        QTest::newRow("0.1") << QByteArray("0.1") << 10.0 << 9.0;
        QTest::newRow("blancos") << QByteArray(" 0 . 5") << 10.0 << 5.0;
        QTest::newRow("texto") << QByteArray("abc") << 10.0 << 10.0;
        QTest::newRow("metade par") << QByteArray("0") << 2.125 << 2.12;
    }
    void factorDePreco() {
        QFETCH(QByteArray, factor);
        QFETCH(double, preco);
        QFETCH(double, esperado);
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>(),
                  "ENCOMENDAS=ENC,1\r\nGUIAS=GR,1,1,A1\r\nENTRADAS=ENT,1,A1,T," + factor + "\r\n");
        // The lines' price, loaded again.
        c.a.base.executar(QStringLiteral("UPDATE DOCGCLIN SET PRUNIT = ?"), {preco});
        c.w.LimparForm();
        c.w.campo[1]->setText(QStringLiteral("C1"));
        c.w.btCarga_Click();
        c.marcar(0, 1);
        c.w.btEnc_Click();
        QCOMPARE(gravador(c)->entradas.at(0).precos.at(1), esperado);
    }

    void modosDeGravacao_data() {
        QTest::addColumn<int>("modo");
        QTest::addColumn<QString>("gravacao");
        QTest::newRow("0") << 0 << "GravaDocumento(1)";
        QTest::newRow("1") << 1 << "GravaDocumento(3)";
        QTest::newRow("2") << 2 << "GravaDocumento(2)";
        QTest::newRow("3") << 3 << "GravaDocumento(2)";
    }
    void modosDeGravacao() {
        QFETCH(int, modo);
        QFETCH(QString, gravacao);
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        c.w.ModoGravacao = static_cast<qint16>(modo);
        c.marcar(0, 1);
        c.w.btEnc_Click();
        QCOMPARE(so(gravador(c)->chamadas, {"GravaDocumento"}), QStringList{gravacao});
    }

    void nadaMarcado() {
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        // A ticked empty row is no order line.
        c.w.modeloLinhas->definirMarca(30, true);
        c.w.btEnc_Click();
        QCOMPARE(c.a.mensagens.textos(), QStringList{"Não foram seleccionadas Encomendas!"});
        QVERIFY(gravador(c)->chamadas.isEmpty());
        QVERIFY(c.w.btCarga->isEnabled());
        QCOMPARE(c.w.LinhasCarregadas, 4); // the window is left as it was

        // Called on its own, the line step refuses a document without lines and saves nothing.
        c.w.LibertaDocumento();
        c.w.CriaCabecalho();
        qint32 erro = 0;
        QString texto;
        QVERIFY(!c.w.CriaLinhas(erro, texto));
        QCOMPARE(erro, -1);
        QCOMPARE(texto, QStringLiteral("Documento inválido. Obrigatório ter linhas."));
        QVERIFY(so(gravador(c)->chamadas, {"GravaDocumento"}).isEmpty());
        // With a document already held, the header step writes nothing.
        const qsizetype antes = gravador(c)->chamadas.size();
        QVERIFY(c.w.CriaCabecalho());
        QCOMPARE(gravador(c)->chamadas.size(), antes);
    }

    void marcadasDeOutroCliente() {
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        c.marcar(0, 1);
        c.w.campo[1]->setText(QStringLiteral("C2"));
        c.w.btEnc_Click();
        QCOMPARE(c.a.mensagens.caixas.size(), size_t(1));
        QVERIFY(c.a.mensagens.textos().at(0).contains(QStringLiteral("C1")));
        QVERIFY(gravador(c)->chamadas.isEmpty());
    }

    void entradaFalhada() {
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        gravador(c)->resultadosEntrada.push_back({5, QStringLiteral("Sem stock no armazém A1."), {}});
        c.marcar(0, 1);
        c.w.btEnc_Click();
        QCOMPARE(c.a.mensagens.textos(), QStringList{"Sem stock no armazém A1."});
        QVERIFY(so(gravador(c)->chamadas, {"CriaObjectoApi", "AnulaDocumento"}).isEmpty());
        QVERIFY(!c.w.modeloLinhas->encomenda(0));
        QVERIFY(c.w.btEnc->isEnabled());
    }

    void guiaFalhadaAnulaEntrada() {
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        const ChaveDocumento chave{2024, QStringLiteral("GR"), 1, 45};
        gravador(c)->resultadosEntrada.push_back({-1, QString(), chave});
        gravador(c)->resultadosGravacao.push_back(
            {1, 7, QStringLiteral("ENC/1/10 linha 1: pendente 2,00, pedido 3,00")});
        c.marcar(0, 3);
        c.w.btEnc_Click();
        QCOMPARE(c.a.mensagens.textos(), QStringList{"ENC/1/10 linha 1: pendente 2,00, pedido 3,00"});
        QCOMPARE(gravador(c)->anulacoes.size(), size_t(1));
        QCOMPARE(gravador(c)->anulacoes.at(0).Numero, 45);
        QCOMPARE(c.w.DocumentosCriados.size(), size_t(1));
        QVERIFY(c.w.btEnc->isEnabled());

        // The annulment refused: a second message names the entry to annul by hand.
        c.a.mensagens.caixas.clear();
        c.w.campo[1]->setText(QStringLiteral("C1"));
        c.w.btCarga_Click();
        c.marcar(0, 3);
        gravador(c)->resultadosEntrada.push_back({-1, QString(), chave});
        gravador(c)->resultadosGravacao.push_back({1, 7, QStringLiteral("Recusado.")});
        gravador(c)->resultadosAnulacao.push_back({1, QStringLiteral("Documento com recibo.")});
        c.w.btEnc_Click();
        QCOMPARE(
            c.a.mensagens.textos(),
            (QStringList{"Recusado.", "Os documentos seguintes devem ser anulados manualmente - \n\r'GR/1/45/2024 '"}));
    }

    void falhasDepoisDaEntrada_data() {
        QTest::addColumn<QString>("operacao");
        QTest::addColumn<QString>("texto");
        QTest::newRow("documento") << "CriaObjectoApi"
                                   << "Falha simulada em CriaObjectoApi.";
        QTest::newRow("cabecalho") << "Cab"
                                   << "Falha simulada em Cab.";
        QTest::newRow("validar") << "Validar"
                                 << "Falha simulada em Validar.";
        QTest::newRow("linha") << "AdicionaLinha"
                               << "Falha simulada em AdicionaLinha.";
        QTest::newRow("gravacao") << "GravaDocumento:excepcao"
                                  << "Falha simulada em GravaDocumento:excepcao.";
    }
    void falhasDepoisDaEntrada() {
        QFETCH(QString, operacao);
        QFETCH(QString, texto);
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        c.marcar(0, 1);
        gravador(c)->falharEm(operacao);
        c.w.btEnc_Click();
        // Shown as a Guia failure, and the entry is annulled again.
        QCOMPARE(c.a.mensagens.textos(), QStringList{texto});
        QCOMPARE(gravador(c)->anulacoes.size(), size_t(1));
        QVERIFY(c.w.btEnc->isEnabled());
        QVERIFY(!c.w.DocComercial);
    }

    void anulacaoQueRebentaFicaListada() {
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        gravador(c)->resultadosGravacao.push_back({1, 7, QStringLiteral("Recusado.")});
        gravador(c)->falharEm(QStringLiteral("AnulaDocumento:excepcao"));
        c.marcar(0, 1);
        c.w.btEnc_Click();
        QCOMPARE(c.a.mensagens.caixas.size(), size_t(2));
        QVERIFY(c.a.mensagens.textos().at(1).startsWith(QStringLiteral("Os documentos seguintes devem ser anulados")));
    }

    // The local ERP on a real database.

    void satisfazDeVerdade_data() { adicionarMotores(); }
    void satisfazDeVerdade() {
        QFETCH(Motor, motor);
        Cenario c(motor, std::make_unique<ErpGravador>());
        SessaoErp::instalarGlobal(erpLocal(c.a.base));
        // Satisfy 3 of A1's 5 on ENC/1/10 and the whole of ENC/1/11's A3.
        c.marcar(0, 3);
        c.marcar(2, 2);
        c.w.btEnc_Click();
        QVERIFY2(c.a.mensagens.caixas.empty(), qPrintable(c.a.mensagens.textos().join('|')));
        const QString ano = QString::number(QDate::currentDate().year());
        QCOMPARE(c.w.estado->text(), QStringLiteral("Criados a entrada ENT/1/1/%1 e a guia GR/1/1/%1.").arg(ano));
        QCOMPARE(c.escalar("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM='ENC' AND NNUMDOC=10 AND NUMLINHA=1").toDouble(),
                 2.0);
        QCOMPARE(c.escalar("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM='ENC' AND NNUMDOC=11 AND NUMLINHA=1").toDouble(),
                 0.0);
        QCOMPARE(c.escalar("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM='GR' AND ORDOC='ENC' AND ORNUM=10 AND "
                           "LINHAORIGINAL=1 AND QUANT=3")
                     .toInt(),
                 1);
        QCOMPARE(c.escalar("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC='GR' AND TERCEIRO='C1' AND ANULADO=0").toInt(),
                 1);
        QCOMPARE(c.escalar("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM='ENT'").toInt(), 2);
        QCOMPARE(c.escalar("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC='ENT' AND ANULADO=0").toInt(), 1);

        // The next load shows only what is still pending.
        c.w.campo[1]->setText(QStringLiteral("C1"));
        c.w.btCarga_Click();
        QCOMPARE(c.w.LinhasCarregadas, 3);
        QCOMPARE(c.w.modeloLinhas->quantidadePendente(0), Moeda::deInteiro(2));
    }

    void recusaPorExcessoAnulaEntrada_data() { adicionarMotores(); }
    void recusaPorExcessoAnulaEntrada() {
        QFETCH(Motor, motor);
        Cenario c(motor, std::make_unique<ErpGravador>());
        SessaoErp::instalarGlobal(erpLocal(c.a.base));
        c.marcar(0, 5);
        // Another workstation satisfied 3 of the 5 meanwhile.
        c.a.base.executar("UPDATE DOCGCLIN SET QUANT = 2 WHERE TPDOCUM='ENC' AND NNUMDOC=10 AND NUMLINHA=1");
        c.w.btEnc_Click();
        QCOMPARE(c.a.mensagens.textos(), QStringList{"ENC/1/10 linha 1: pendente 2,00, pedido 5,00"});
        QCOMPARE(c.escalar("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC='GR'").toInt(), 0);
        QCOMPARE(c.escalar("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM='GR'").toInt(), 0);
        QCOMPARE(c.escalar("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC='ENT' AND ANULADO=0").toInt(), 0);
        QCOMPARE(c.escalar("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC='ENT' AND ANULADO=-1").toInt(), 1);
        QCOMPARE(c.escalar("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM='ENC' AND NNUMDOC=10 AND NUMLINHA=1").toDouble(),
                 2.0);
    }
};

QTEST_MAIN(tst_Documentos)
#include "tst_documentos.moc"
