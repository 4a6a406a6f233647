#include "ErpGravador.h"
#include "ImportacaoAberta.h"

#include <QDate>
#include <QTest>

using Campo = Importacao::Campo;

namespace {

/// The controller over client C1's orders (ENC/1/10: A1 5, A2 7; ENC/1/11:
/// A3 2, A1 4), loaded, with the ERP session the test chose (the recording
/// one unless told otherwise).
struct Cenario {
    explicit Cenario(Motor motor, std::unique_ptr<SessaoErp> sessao = {}) : a(motor) {
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}, {"A2", 7}});
        a.base.encomenda("ENC", 1, 11, 2024, "C1", "2024-03-06", "R2", {{"A3", 2}, {"A1", 4}});
        if (!sessao) {
            auto g = std::make_unique<ErpGravador>();
            gravador = g.get();
            sessao = std::move(g);
        }
        c.emplace(a, std::move(sessao));
        QObject::connect(&c->i, &Importacao::corridaIniciada, [this] { ++corridas; });
        c->carregar(QStringLiteral("C1"));
    }
    ImportacaoAberta& operator*() { return *c; }
    ImportacaoAberta* operator->() { return &*c; }
    QVariant escalar(const QString& sql) { return a.base.escalar(sql); }

    AmbienteJanela a;
    ErpGravador* gravador = nullptr;
    std::optional<ImportacaoAberta> c;
    int corridas = 0; ///< runs begun (the window's actions disabled)
};

} // namespace

class tst_Documentos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linhasDaGrelhaNaGuia() {
        Cenario c(Motor::Sqlite);
        // Three marked rows among sixty (rows 0, 1 and 3) become the Guia's lines, in row order.
        c->marcar(0, 3);
        c->marcar(1, 7);
        c->marcar(3, 4);
        c->i.fazerGuia(QStringLiteral("C1"));
        QVERIFY2(c->avisos.empty(), qPrintable(c->avisos.join('|')));
        QVERIFY(c.gravador->chamadas.contains(QStringLiteral("Cab.Terceiro=C1")));
        QCOMPARE(c.gravador->chamadasDe({"Linha.Artigo", "Linha.Quantidade=", "Linha.PrecoUnitario", "Linha.OrNum",
                                         "Linha.LinhaOriginal", "GravaDocumento"}),
                 (QStringList{"Linha.Artigo=A1", "Linha.Quantidade=3 (Moeda)", "Linha.PrecoUnitario=10 (Moeda)",
                              "Linha.OrNum=10 (qlonglong)", "Linha.LinhaOriginal=1 (qlonglong)", "Linha.Artigo=A2",
                              "Linha.Quantidade=7 (Moeda)", "Linha.PrecoUnitario=10 (Moeda)",
                              "Linha.OrNum=10 (qlonglong)", "Linha.LinhaOriginal=2 (qlonglong)", "Linha.Artigo=A1",
                              "Linha.Quantidade=4 (Moeda)", "Linha.PrecoUnitario=10 (Moeda)",
                              "Linha.OrNum=11 (qlonglong)", "Linha.LinhaOriginal=2 (qlonglong)", "GravaDocumento(2)"}));
        QCOMPARE(c.gravador->entradas.at(0).artigos, (QStringList{"", "A1", "A2", "A1"}));
        // Success: no message, the window cleared (an empty grid), the focus
        // to the client field, the documents named; the outcome kept.
        QVERIFY(c->limpa());
        QCOMPARE(c->limpezas, 1);
        QCOMPARE(c->focos, std::vector<Campo>{Campo::Cliente});
        const QString ano = QString::number(QDate::currentDate().year());
        QCOMPARE(c->i.estado(),
                 QStringLiteral("Criados a entrada ENT/1/1/%1 e a guia GR/1/1/%1. Ctrl+P imprime a guia.").arg(ano));
        QCOMPARE(textoChave(*c->i.ultimaCorrida()->guia), QStringLiteral("GR/1/1/%1").arg(ano));
    }

    void recusadaSemCorrer_data() {
        QTest::addColumn<int>("linha"); // the row marked
        QTest::addColumn<QString>("cliente");
        QTest::addColumn<QString>("aviso");
        // A ticked empty row is no order line.
        QTest::newRow("nada marcado") << 30 << "C1"
                                      << "Não foram seleccionadas Encomendas!";
        QTest::newRow("marcadas de outro cliente")
            << 0 << "C2"
            << "As linhas marcadas são do cliente C1, não do cliente \"C2\" indicado no campo Cliente. Carregue de "
               "novo as encomendas do cliente pretendido.";
    }
    void recusadaSemCorrer() {
        QFETCH(int, linha);
        QFETCH(QString, cliente);
        QFETCH(QString, aviso);
        Cenario c(Motor::Sqlite);
        c->m().definirMarca(linha, true);
        c->i.fazerGuia(cliente);
        QCOMPARE(c->avisos, QStringList{aviso});
        QVERIFY(c.gravador->chamadas.isEmpty());
        // The window is left as it was: its actions never disabled, not cleared.
        QCOMPARE(c.corridas, 0);
        QCOMPARE(c->limpezas, 0);
        QCOMPARE(c->i.linhasCarregadas(), 4);
        QVERIFY(!c->i.ultimaCorrida());
    }

    void entradaFalhada() {
        Cenario c(Motor::Sqlite);
        c.gravador->resultadosEntrada.push_back({5, QStringLiteral("Sem stock no armazém A1."), {}});
        c->marcar(0, 1);
        c->i.fazerGuia(QStringLiteral("C1"));
        QCOMPARE(c->avisos, QStringList{"Sem stock no armazém A1."});
        QVERIFY(c.gravador->chamadasDe({"CriaObjectoApi", "AnulaDocumento"}).isEmpty());
        QCOMPARE(c.corridas, 1);
        QVERIFY(c->limpa());
        QCOMPARE(c->limpezas, 1);
        QVERIFY(c->focos.empty());
    }

    void guiaFalhadaAnulaEntrada() {
        Cenario c(Motor::Sqlite);
        const ChaveDocumento chave{2024, QStringLiteral("GR"), 1, 45};
        c.gravador->resultadosEntrada.push_back({-1, QString(), chave});
        c.gravador->resultadosGravacao.push_back(
            {1, 7, QStringLiteral("ENC/1/10 linha 1: pendente 2,00, pedido 3,00")});
        c->marcar(0, 3);
        c->i.fazerGuia(QStringLiteral("C1"));
        QCOMPARE(c->avisos, QStringList{"ENC/1/10 linha 1: pendente 2,00, pedido 3,00"});
        QCOMPARE(c.gravador->anulacoes.size(), size_t(1));
        QCOMPARE(c.gravador->anulacoes.at(0).Numero, 45);
        // The outcome: the entry made and annulled again, no Guia, nothing left to annul.
        const ResultadoCorrida& r = *c->i.ultimaCorrida();
        QVERIFY(r.entrada && !r.guia && r.porAnular.empty());
        QVERIFY(c->limpa());

        // The annulment refused: a second message names the entry to annul by hand.
        c->avisos.clear();
        c->carregar(QStringLiteral("C1"));
        c->marcar(0, 3);
        c.gravador->resultadosEntrada.push_back({-1, QString(), chave});
        c.gravador->resultadosGravacao.push_back({1, 7, QStringLiteral("Recusado.")});
        c.gravador->resultadosAnulacao.push_back({1, QStringLiteral("Documento com recibo.")});
        c->i.fazerGuia(QStringLiteral("C1"));
        QCOMPARE(
            c->avisos,
            (QStringList{"Recusado.", "Os documentos seguintes devem ser anulados manualmente - \n\r'GR/1/45/2024 '"}));
        QCOMPARE(c->i.ultimaCorrida()->porAnular.size(), size_t(1));
        QCOMPARE(c->limpezas, 2);
    }

    void falhaDaGuia_data() {
        QTest::addColumn<QString>("falha");
        QTest::addColumn<QString>("mostrado");
        // The save refused (flag 1) while the ERP's last error says 0.
        QTest::newRow("gravacao sem codigo") << ""
                                             << "Documento não gravado.";
        // An error of another type than the program's own, in the header's Validar.
        QTest::newRow("Validar:std") << "Validar:std"
                                     << "Falha simulada em Validar:std.";
    }
    void falhaDaGuia() {
        QFETCH(QString, falha);
        QFETCH(QString, mostrado);
        Cenario c(Motor::Sqlite);
        if (falha.isEmpty())
            c.gravador->resultadosGravacao.push_back({1, 0, QString()});
        else
            c.gravador->falharEm(falha);
        c->marcar(0, 1);
        // Its text, the entry annulled, no Guia named; nothing raised: the program goes on.
        c->i.fazerGuia(QStringLiteral("C1"));
        QCOMPARE(c->avisos, QStringList{mostrado});
        QCOMPARE(c.gravador->anuladas.size(), size_t(1));
        QVERIFY2(c->i.estado().isEmpty(), qPrintable(c->i.estado()));
        QCOMPARE(c->limpezas, 1);
    }

    void satisfazDeVerdade_data() { adicionarMotores(); }
    void satisfazDeVerdade() {
        QFETCH(Motor, motor);
        AmbienteJanela a(motor);
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}, {"A2", 7}});
        a.base.encomenda("ENC", 1, 11, 2024, "C1", "2024-03-06", "R2", {{"A3", 2}, {"A1", 4}});
        ImportacaoAberta c(a, erpLocalLigado(a.base));
        c.carregar(QStringLiteral("C1"));
        // Satisfy 3 of A1's 5 on ENC/1/10 and the whole of ENC/1/11's A3.
        c.marcar(0, 3);
        c.marcar(2, 2);
        c.i.fazerGuia(QStringLiteral("C1"));
        QVERIFY2(c.avisos.empty(), qPrintable(c.avisos.join('|')));
        const QString ano = QString::number(QDate::currentDate().year());
        QCOMPARE(c.i.estado(),
                 QStringLiteral("Criados a entrada ENT/1/1/%1 e a guia GR/1/1/%1. Ctrl+P imprime a guia.").arg(ano));
        const auto escalar = [&](const char* sql) { return a.base.escalar(QString::fromLatin1(sql)); };
        QCOMPARE(escalar("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM='ENC' AND NNUMDOC=10 AND NUMLINHA=1").toDouble(),
                 2.0);
        QCOMPARE(escalar("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM='ENC' AND NNUMDOC=11 AND NUMLINHA=1").toDouble(),
                 0.0);
        QCOMPARE(escalar("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM='GR' AND ORDOC='ENC' AND ORNUM=10 AND "
                         "LINHAORIGINAL=1 AND QUANT=3")
                     .toInt(),
                 1);
        QCOMPARE(escalar("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC='GR' AND TERCEIRO='C1' AND ANULADO=0").toInt(), 1);
        QCOMPARE(escalar("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM='ENT'").toInt(), 2);
        QCOMPARE(escalar("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC='ENT' AND ANULADO=0").toInt(), 1);

        // The next load shows only what is still pending.
        c.carregar(QStringLiteral("C1"));
        QCOMPARE(c.i.linhasCarregadas(), 3);
        QCOMPARE(c.m().quantidadePendente(0), Moeda::deInteiro(2));
    }
};

QTEST_GUILESS_MAIN(tst_Documentos)
#include "tst_documentos.moc"
