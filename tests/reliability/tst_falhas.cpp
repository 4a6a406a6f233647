// Injected faults: each step of "&Guia" fails in turn (the entry store, the
// document object, the header, Validar, each line, the save, the annulment),
// and the database connection is cut in the middle of a save. For each, the
// operator sees the expected messages, the window is cleared (its
// controller, Importacao, with no window here), the entry is
// annulled (or listed for manual annulment), and the database holds no
// document stored in part. The next run then makes its documents.

#include "CorridasDoPosto.h"
#include "ErpLocal.h"
#include "Guarda.h"
#include "ImportacaoAberta.h"
#include "Integridade.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Integridade::Categoria;

const QString Listagem = QStringLiteral("Os documentos seguintes devem ser anulados manualmente - ");

/// What the operator is to see, and what becomes of the run's entry.
enum class Desfecho {
    NadaGuardado,    ///< the entry was not stored; its message is shown
    EntradaAnulada,  ///< the Guia failed; its message is shown and the entry annulled
    EntradaListada,  ///< the Guia failed and the annulment too: the entry is listed
    ProgramaTermina, ///< an error the run does not catch: its box, then the program ends
};

/// The window's controller over client C1's orders (ENC/1/10: A1 5, A2 7;
/// ENC/1/11: A3 2, A1 4) with the local ERP's session logged in and the
/// workstation's run journal, as start-up leaves it.
struct Cenario {
    explicit Cenario(Motor motor) : a(motor) {
        prepararErp(a.base);
        a.base.encomenda("ENC", 1, 10, 2026, "C1", "2026-03-05", "R1", {{"A1", 5}, {"A2", 7}});
        a.base.encomenda("ENC", 1, 11, 2026, "C1", "2026-03-06", "R2", {{"A3", 2}, {"A1", 4}});
        inicio = pendentesDasEncomendas(a.base);
        auto sessao = std::make_unique<ErpLocal>();
        if (!sessao->login(QStringLiteral("op"), QStringLiteral("segredo"), QStringLiteral("DEMO"),
                           a.base.textoLigacao(), QStringLiteral("POSTO1")))
            qFatal("login: %s", qPrintable(sessao->motivoFalhaLogin()));
        erp = sessao.get();
        qputenv("XDG_STATE_HOME", QFile::encodeName(estado.path()));
        corridas.emplace(a.bd, QStringLiteral("op"), QStringLiteral("POSTO1"));
        c.emplace(a, std::move(sessao), &*corridas);
        // Its messages in boxes, as the window shows them.
        QObject::connect(&c->i, &Importacao::aviso, &c->i, [this](const QString& t) {
            a.mensagens.caixa(QStringLiteral("Informação"), t, Mensagens::Botoes::Ok, Mensagens::Icone::Informacao);
        });
    }

    /// Loads the client's lines and marks three of them (one line each of A1, A2, A1).
    void carregarEMarcar() {
        c->carregar(QStringLiteral("C1"));
        for (const int linha : {0, 1, 3})
            c->marcar(linha, 1);
    }
    /// "&Guia" as the window runs it, inside the guard.
    void guia() {
        a.guarda([this] { c->i.fazerGuia(QStringLiteral("C1")); });
    }
    /// The window cleared after the run: nothing loaded, and told to clear
    /// its fields and enable its actions.
    bool janelaLimpa() const { return c->limpa() && c->limpezas > 0; }

    int contar(const QString& sql) { return a.base.escalar(sql).toInt(); }

    AmbienteJanela a;
    Pendentes inicio;
    ErpLocal* erp = nullptr;
    QTemporaryDir estado;
    std::optional<CorridasDoPosto> corridas;
    std::optional<ImportacaoAberta> c;
};

} // namespace

class tst_Falhas : public QObject {
    Q_OBJECT

private:
    /// After a fault: the window, the messages and the database as `desfecho` says.
    void verificarDesfecho(Cenario& c, Desfecho desfecho, const QString& texto) {
        const QStringList caixas = c.a.mensagens.textos();
        const EstadoBase i = verificarBase(c.a.base, c.inicio);
        const Integridade::Contagens& n = i.contagens();
        const QString relato = caixas.join(QLatin1String(" | ")) + QLatin1String("\n") + i.resumo();
        // Nothing stored in part, no order line satisfied, no Guia.
        QVERIFY2(i.quantos(Categoria::LinhaSobreSatisfeita) == 0 && i.pendentesAlterados.isEmpty() &&
                     i.quantos(Categoria::MeioGuardado) == 0 && i.quantos(Categoria::NumeroRepetido) == 0,
                 qPrintable(relato));
        QVERIFY2(n.guias == 0 && n.linhasGuia == 0, qPrintable(relato));
        QCOMPARE(pendentesDasEncomendas(c.a.base), c.inicio);
        switch (desfecho) {
        case Desfecho::NadaGuardado:
            QCOMPARE(caixas, QStringList{texto});
            QCOMPARE(n.entradas, 0);
            QVERIFY(c.janelaLimpa());
            break;
        case Desfecho::EntradaAnulada:
            QVERIFY2(caixas.size() == 1 && caixas.at(0).contains(texto), qPrintable(relato));
            QCOMPARE(n.entradas, 1);
            QCOMPARE(n.entradasAnuladas, 1);
            QVERIFY2(i.sa(), qPrintable(relato));
            QVERIFY(c.janelaLimpa());
            break;
        case Desfecho::EntradaListada: {
            QCOMPARE(caixas.size(), 2);
            QVERIFY2(caixas.at(0).contains(texto), qPrintable(relato));
            // The entry that stays is the one listed, and only it; the
            // integrity check lists it as an entry without a Guia.
            QCOMPARE(n.entradas, 1);
            QCOMPARE(n.entradasAnuladas, 0);
            const auto semGuia = i.relatorio.de(Categoria::EntradaSemGuia);
            QCOMPARE(int(semGuia.size()), 1);
            QCOMPARE(i.relatorio.achados.size(), semGuia.size());
            QCOMPARE(caixas.at(1), Listagem + QStringLiteral("\n\r'%1 '").arg(semGuia.at(0).chave));
            QCOMPARE(c.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM = 'ENT' AND LINANU = 0")), 3);
            QVERIFY(c.janelaLimpa());
            break;
        }
        case Desfecho::ProgramaTermina:
            QCOMPARE(caixas, QStringList{QStringLiteral("Erro %1: %2").arg(int(Erro::Erp)).arg(texto)});
            QCOMPARE(c.a.mensagens.terminacoes, std::vector<int>{1});
            QCOMPARE(n.entradas, 0);
            break;
        }
        // Each run is closed in the journal, but the one the program ends in:
        // the next start closes it.
        QCOMPARE(c.corridas->diario().porTerminar().size(), size_t(desfecho == Desfecho::ProgramaTermina ? 1 : 0));
    }

    /// The next run makes its entry and Guia: the session was not left broken.
    void proximaCorreBem(Cenario& c, int entradasAntes) {
        c.erp->limparFalhas();
        c.erp->definirAccaoNoMeio({});
        c.a.mensagens.caixas.clear();
        c.carregarEMarcar();
        c.guia();
        QVERIFY2(c.a.mensagens.caixas.empty(), qPrintable(c.a.mensagens.textos().join('|')));
        QCOMPARE(c.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'GR' AND ANULADO = 0")), 1);
        QCOMPARE(c.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'ENT'")), entradasAntes + 1);
        const EstadoBase i = verificarBase(c.a.base, c.inicio);
        QVERIFY2(i.pendentesAlterados.isEmpty() && i.quantos(Categoria::LinhaSobreSatisfeita) == 0 &&
                     i.quantos(Categoria::GuiaSemEntrada) == 0 && i.quantos(Categoria::GuiaDiferente) == 0 &&
                     i.quantos(Categoria::MeioGuardado) == 0,
                 qPrintable(i.resumo()));
    }

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void falhaEmCadaPasso_data() {
        QTest::addColumn<QString>("operacao");
        QTest::addColumn<int>("ocorrencia");
        QTest::addColumn<int>("desfecho");
        const auto linha = [](const char* nome, const char* operacao, int ocorrencia, Desfecho d) {
            QTest::newRow(nome) << QString::fromLatin1(operacao) << ocorrencia << int(d);
        };
        // The entry.
        linha("entrada: recusada", "CriaDocumentoEntrada:recusa", 1, Desfecho::NadaGuardado);
        linha("entrada: falha antes da transacção confirmada", "CriaDocumentoEntrada:meio", 1, Desfecho::NadaGuardado);
        linha("entrada: erro", "CriaDocumentoEntrada", 1, Desfecho::ProgramaTermina);
        // The Guia, step by step.
        linha("objecto documento", "CriaObjectoApi", 1, Desfecho::EntradaAnulada);
        linha("cabecalho: primeiro membro", "Cab", 1, Desfecho::EntradaAnulada);
        linha("cabecalho: Terceiro", "Cab", 8, Desfecho::EntradaAnulada);
        linha("cabecalho: depois de Validar", "Cab", 10, Desfecho::EntradaAnulada);
        linha("cabecalho: ultimo membro", "Cab", 17, Desfecho::EntradaAnulada);
        linha("Validar", "Validar", 1, Desfecho::EntradaAnulada);
        for (int l = 1; l <= 3; ++l) {
            const QByteArray n = QByteArray::number(l);
            linha("linha " + n + ": objecto", "CriaObjectoApi", l + 1, Desfecho::EntradaAnulada);
            linha("linha " + n + ": primeiro membro", "Linha", 12 * (l - 1) + 1, Desfecho::EntradaAnulada);
            linha("linha " + n + ": ultimo membro", "Linha", 12 * l, Desfecho::EntradaAnulada);
            linha("linha " + n + ": SugereValoresLin", "SugereValoresLin", l, Desfecho::EntradaAnulada);
            linha("linha " + n + ": AdicionaLinha", "AdicionaLinha", l, Desfecho::EntradaAnulada);
        }
        linha("gravacao: recusada", "GravaDocumento", 1, Desfecho::EntradaAnulada);
        linha("gravacao: erro", "GravaDocumento:excepcao", 1, Desfecho::EntradaAnulada);
        linha("gravacao: falha antes da transaccao confirmada", "GravaDocumento:meio", 1, Desfecho::EntradaAnulada);
        // The annulment, after a Guia refused.
        linha("anulacao: recusada", "AnulaDocumento", 1, Desfecho::EntradaListada);
        linha("anulacao: erro", "AnulaDocumento:excepcao", 1, Desfecho::EntradaListada);
        linha("anulacao: falha antes da transaccao confirmada", "AnulaDocumento:meio", 1, Desfecho::EntradaListada);
    }
    void falhaEmCadaPasso() {
        QFETCH(QString, operacao);
        QFETCH(int, ocorrencia);
        QFETCH(int, desfecho);
        Cenario c(motorActual());
        c.carregarEMarcar();
        c.erp->falharEm(operacao, ocorrencia);
        QString texto = QStringLiteral("Falha simulada em %1.").arg(operacao);
        if (operacao.startsWith(QLatin1String("AnulaDocumento"))) {
            // The Guia must fail first for the annulment to run.
            c.erp->falharEm(QStringLiteral("GravaDocumento"));
            texto = QStringLiteral("Falha simulada em GravaDocumento.");
        }
        c.guia();
        verificarDesfecho(c, Desfecho(desfecho), texto);
        if (Desfecho(desfecho) == Desfecho::ProgramaTermina)
            return; // the program ends here
        proximaCorreBem(c, c.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'ENT'")));
    }

    void ligacaoCortadaAMeio_data() {
        QTest::addColumn<QString>("operacao");
        QTest::addColumn<int>("desfecho");
        QTest::newRow("gravacao da entrada") << "CriaDocumentoEntrada" << int(Desfecho::NadaGuardado);
        QTest::newRow("gravacao da guia") << "GravaDocumento" << int(Desfecho::EntradaAnulada);
        QTest::newRow("anulacao da entrada") << "AnulaDocumento" << int(Desfecho::EntradaListada);
    }
    void ligacaoCortadaAMeio() {
        QFETCH(QString, operacao);
        QFETCH(int, desfecho);
        Cenario c(motorActual());
        c.carregarEMarcar();
        if (operacao == QLatin1String("AnulaDocumento"))
            c.erp->falharEm(QStringLiteral("GravaDocumento"));
        bool cortada = false;
        c.erp->definirAccaoNoMeio([&](const QString& op) {
            if (op != operacao || cortada)
                return;
            cortada = true;
            cortarLigacaoDoErp(c.a.base);
        });
        c.guia();
        QVERIFY(cortada);
        const QStringList caixas = c.a.mensagens.textos();
        QVERIFY(!caixas.isEmpty());
        // The operator is told why: the server's reason on PostgreSQL, the
        // closed connection on SQLite (never an empty box).
        QVERIFY2(caixas.at(0).trimmed().size() > 10, qPrintable(caixas.join('|')));
        if (c.a.base.motor() == Motor::Sqlite && operacao != QLatin1String("AnulaDocumento"))
            QCOMPARE(caixas.at(0), QStringLiteral("A ligação à base de dados está fechada."));
        verificarDesfecho(c, Desfecho(desfecho),
                          operacao == QLatin1String("AnulaDocumento")
                              ? QStringLiteral("Falha simulada em GravaDocumento.")
                              : caixas.at(0));
        proximaCorreBem(c, c.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'ENT'")));
    }
};

QTEST_GUILESS_MAIN(tst_Falhas)
#include "tst_falhas.moc"
