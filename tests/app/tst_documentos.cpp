#include "AmbienteJanela.h"
#include "CampoEntrada.h"
#include "ErpGravador.h"
#include "Guarda.h"
#include "ModeloEncomendas.h"
#include "frmImportacao.h"

#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

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
    ~Cenario() { reiniciarTerminacao(); }
    Q_DISABLE_COPY_MOVE(Cenario)
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

} // namespace

class tst_Documentos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linhasDaGrelhaNaGuia() {
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        // Three marked rows among sixty (rows 0, 1 and 3) become the Guia's lines, in row order.
        c.marcar(0, 3);
        c.marcar(1, 7);
        c.marcar(3, 4);
        c.w.btEnc_Click();
        QVERIFY2(c.a.mensagens.caixas.empty(), qPrintable(c.a.mensagens.textos().join('|')));
        QVERIFY(gravador(c)->chamadas.contains(QStringLiteral("Cab.Terceiro=C1")));
        QCOMPARE(gravador(c)->chamadasDe({"Linha.Artigo", "Linha.Quantidade=", "Linha.PrecoUnitario", "Linha.OrNum",
                                          "Linha.LinhaOriginal", "GravaDocumento"}),
                 (QStringList{"Linha.Artigo=A1", "Linha.Quantidade=3 (Moeda)", "Linha.PrecoUnitario=10 (Moeda)",
                              "Linha.OrNum=10 (qlonglong)", "Linha.LinhaOriginal=1 (qlonglong)", "Linha.Artigo=A2",
                              "Linha.Quantidade=7 (Moeda)", "Linha.PrecoUnitario=10 (Moeda)",
                              "Linha.OrNum=10 (qlonglong)", "Linha.LinhaOriginal=2 (qlonglong)", "Linha.Artigo=A1",
                              "Linha.Quantidade=4 (Moeda)", "Linha.PrecoUnitario=10 (Moeda)",
                              "Linha.OrNum=11 (qlonglong)", "Linha.LinhaOriginal=2 (qlonglong)", "GravaDocumento(2)"}));
        QCOMPARE(gravador(c)->entradas.at(0).artigos, (QStringList{"", "A1", "A2", "A1"}));
        // Success: no message, an empty grid, the focus in the client field, the documents named.
        QCOMPARE(c.w.modeloLinhas->numeroLinhas(), 60);
        QVERIFY(!c.w.modeloLinhas->encomenda(0));
        QCOMPARE(c.w.focusWidget(), static_cast<QWidget*>(c.w.campo[1]));
        QVERIFY(c.w.campo[1]->text().isEmpty());
        QVERIFY(!c.w.DocComercial);
        QVERIFY(c.w.btEnc->isEnabled());
        QCOMPARE(c.w.estado->text(),
                 QStringLiteral("Criados a entrada ENT/1/1/%1 e a guia GR/1/1/%1.").arg(QDate::currentDate().year()));
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
        QVERIFY(gravador(c)->chamadasDe({"GravaDocumento"}).isEmpty());
        // With a document already held, the header step writes nothing.
        const qsizetype antes = gravador(c)->chamadas.size();
        QVERIFY(c.w.CriaCabecalho());
        QCOMPARE(gravador(c)->chamadas.size(), antes);
    }

    void passosDaJanela() {
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        c.marcar(0, 3);
        qint32 erro = 0;
        QString texto;
        c.w.GravaEntrada(erro, texto);
        QCOMPARE(erro, -1);
        QCOMPARE(c.w.DocumentosCriados.size(), size_t(2));
        QCOMPARE(textoChave(c.w.DocumentosCriados.back()),
                 QStringLiteral("ENT/1/1/%1").arg(QDate::currentDate().year()));
        // Refused: the ERP's text; raising: the error passes on.
        gravador(c)->resultadosEntrada.push_back({5, QStringLiteral("Sem stock."), {}});
        c.w.GravaEntrada(erro, texto);
        QVERIFY(erro != -1);
        QCOMPARE(texto, QStringLiteral("Sem stock."));
        gravador(c)->falharEm(QStringLiteral("CriaDocumentoEntrada"));
        QVERIFY_THROWS_EXCEPTION(Erro, c.w.GravaEntrada(erro, texto));
        QCOMPARE(c.w.DocumentosCriados.size(), size_t(2));

        c.w.LibertaDocumento();
        QVERIFY(c.w.CriaCabecalho());
        QVERIFY(c.w.CriaLinhas(erro, texto));
        QCOMPARE(gravador(c)->chamadasDe({"Linha.Artigo", "GravaDocumento"}),
                 (QStringList{"Linha.Artigo=A1", "GravaDocumento(2)"}));
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
        QVERIFY(gravador(c)->chamadasDe({"CriaObjectoApi", "AnulaDocumento"}).isEmpty());
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

    void falhaDaGuiaNaJanela_data() {
        QTest::addColumn<QString>("falha");
        QTest::addColumn<QString>("mostrado");
        // The save refused (flag 1) while the ERP's last error says 0.
        QTest::newRow("gravacao sem codigo") << ""
                                             << "Documento não gravado.";
        // An error of another type than the program's own, in the header's Validar.
        QTest::newRow("Validar:std") << "Validar:std"
                                     << "Falha simulada em Validar:std.";
    }
    void falhaDaGuiaNaJanela() {
        QFETCH(QString, falha);
        QFETCH(QString, mostrado);
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        if (falha.isEmpty())
            gravador(c)->resultadosGravacao.push_back({1, 0, QString()});
        else
            gravador(c)->falharEm(falha);
        c.marcar(0, 1);
        c.w.btEnc->click();
        // Its text, the entry annulled, no Guia named, and the program goes on.
        QCOMPARE(c.a.mensagens.textos(), QStringList{mostrado});
        QVERIFY(c.a.mensagens.terminacoes.empty());
        QCOMPARE(gravador(c)->anuladas.size(), size_t(1));
        QVERIFY2(c.w.estado->text().isEmpty(), qPrintable(c.w.estado->text()));
        QVERIFY(c.w.btEnc->isEnabled());
    }

    void cursorLivreNasCaixas_data() {
        QTest::addColumn<int>("caso");
        QTest::addColumn<int>("caixas");
        QTest::newRow("entrada recusada") << 0 << 1;
        QTest::newRow("guia recusada, anulacao recusada") << 1 << 2;
        QTest::newRow("entrada com erro") << 2 << 1;
    }
    void cursorLivreNasCaixas() {
        QFETCH(int, caso);
        QFETCH(int, caixas);
        Cenario c(Motor::Sqlite, std::make_unique<ErpGravador>());
        if (caso == 0) {
            gravador(c)->resultadosEntrada.push_back({5, QStringLiteral("Sem stock."), {}});
        } else if (caso == 1) {
            gravador(c)->resultadosGravacao.push_back({1, 7, QStringLiteral("Recusado.")});
            gravador(c)->resultadosAnulacao.push_back({1, QStringLiteral("Documento com recibo.")});
        } else {
            gravador(c)->falharEm(QStringLiteral("CriaDocumentoEntrada"));
        }
        c.marcar(0, 1);
        c.w.btEnc->click();
        QCOMPARE(c.a.mensagens.caixas.size(), size_t(caixas));
        for (const auto& caixa : c.a.mensagens.caixas)
            QVERIFY2(!caixa.cursorOcupado, qPrintable(caixa.texto));
        QVERIFY(!QApplication::overrideCursor());
    }

    void satisfazDeVerdade_data() { adicionarMotores(); }
    void satisfazDeVerdade() {
        QFETCH(Motor, motor);
        Cenario c(motor, std::make_unique<ErpGravador>());
        SessaoErp::instalarGlobal(erpLocalLigado(c.a.base));
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
};

QTEST_MAIN(tst_Documentos)
#include "tst_documentos.moc"
