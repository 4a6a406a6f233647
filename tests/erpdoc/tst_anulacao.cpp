// A Guia undone by the operator, without a window, on both engines: the Guia
// and its entry annulled through the local ERP with the reason, the order
// lines' pending quantities given back exactly, nothing the integrity check
// finds; the refusals; and an annulment cut short, finished by recovery.

#include "AnulacaoGuia.h"
#include "Apoio.h"
#include "CorridaGuia.h"
#include "ErpLocal.h"
#include "IntegridadeEmpresa.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const ParametrosGuia Guia{QStringLiteral("GR"), QStringLiteral("1"), 1, QStringLiteral("1"), QStringLiteral("A1")};
const ParametrosEntrada Entrada{QStringLiteral("ENT"), 1, QStringLiteral("A1"), QStringLiteral("Texto"),
                                *FactorPreco::ler(QStringLiteral("0"))};

/// Order line `numero` of ENC/1/10/2024 of client C1 (A1 5.5 pending, A2 7), marked with `quantidade`.
LinhaMarcada linha(int numero, Moeda quantidade) {
    LinhaMarcada l;
    LinhaEncomenda& e = l.encomenda;
    e.chave = {QStringLiteral("ENC"), 1, 10, 2024, numero};
    e.artigo = numero == 1 ? QStringLiteral("A1") : QStringLiteral("A2");
    e.quantidadePendente = Moeda::deUnidades(numero == 1 ? 55000 : 70000);
    e.quantidadeOriginal = e.quantidadePendente;
    e.terceiro = QStringLiteral("C1");
    l.quantidade = quantidade;
    return l;
}

/// A company with one order, this workstation's journal and log, and one
/// Guia made from two of its lines.
struct Empresa {
    explicit Empresa(Motor motor) : base(motor) {
        base.dadosBase();
        base.encomenda(QStringLiteral("ENC"), 1, 10, 2024, QStringLiteral("C1"), QStringLiteral("2024-05-01"),
                       QStringLiteral("R1"), {{QStringLiteral("A1"), 5.5}, {QStringLiteral("A2"), 7}});
        sessao = erpLocalLigado(base);
        if (!bd.abrir(base.textoLigacao()))
            qFatal("database: %s", qPrintable(bd.ultimoErro()));
        corridas.emplace(bd, QStringLiteral("op"), QStringLiteral("posto1"), pasta.filePath(QStringLiteral("log")));
        const ResultadoCorrida r =
            CorridaGuia(*sessao, Guia, Entrada, 0, &*corridas)
                .executar({linha(1, Moeda::deUnidades(21250)), linha(2, Moeda::deInteiro(7))}, QStringLiteral("C1"));
        if (!r.guia || !r.entrada)
            qFatal("Guia: %s", qPrintable(r.mensagens.join(u' ')));
        guia = *r.guia;
        entrada = *r.entrada;
    }
    QVariant valor(const QString& sql, const ChaveDocumento& c) {
        return base.escalar(sql + QStringLiteral(" WHERE TPDOC = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ?"),
                            {c.TipoDoc, c.Serie, c.Numero, c.Ano});
    }
    /// The order lines' pending quantities, in ten-thousandths.
    QList<qint64> pendentes() {
        return {qRound64(base.escalar(QStringLiteral("SELECT QUANT * 10000 FROM DOCGCLIN WHERE NUMLINHA = 1 AND "
                                                     "TPDOCUM = 'ENC'"))
                             .toDouble()),
                qRound64(base.escalar(QStringLiteral("SELECT QUANT * 10000 FROM DOCGCLIN WHERE NUMLINHA = 2 AND "
                                                     "TPDOCUM = 'ENC'"))
                             .toDouble())};
    }
    QString registo() {
        QFile f(pasta.filePath(QStringLiteral("log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    void verificarAnuladas(const QString& motivo) {
        QCOMPARE(valor(QStringLiteral("SELECT ANULADO FROM DOCGCCAB"), guia).toInt(), -1);
        QCOMPARE(valor(QStringLiteral("SELECT ANULADO FROM DOCGCCAB"), entrada).toInt(), -1);
        QCOMPARE(valor(QStringLiteral("SELECT MOTIVOANULACAO FROM DOCGCCAB"), guia).toString(), motivo);
        QCOMPARE(valor(QStringLiteral("SELECT MOTIVOANULACAO FROM DOCGCCAB"), entrada).toString(), motivo);
        QCOMPARE(pendentes(), (QList<qint64>{55000, 70000}));
        const Integridade::Relatorio r =
            Integridade::verificar(base.db(), {QStringLiteral("ENT"), QStringLiteral("GR")});
        QVERIFY2(r.sa(), qPrintable(Integridade::texto(r)));
        QVERIFY(corridas->diario().porTerminar().empty());
    }

    QTemporaryDir pasta;
    BaseTeste base;
    std::unique_ptr<SessaoErp> sessao;
    BaseDados bd;
    std::optional<CorridasDoPosto> corridas;
    ChaveDocumento guia, entrada;
};

} // namespace

class tst_Anulacao final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void anular() {
        Empresa e(motorActual());
        QCOMPARE(e.pendentes(), (QList<qint64>{33750, 0}));
        AnulacaoGuia anulacao(*e.sessao, *e.corridas);
        QCOMPARE(anulacao.recusa(e.guia), std::nullopt);
        const ResultadoAnulacao r = anulacao.executar(e.guia, QStringLiteral(" Cliente recusou a entrega "));
        QVERIFY(r.anulada);
        QCOMPARE(r.mensagens, QStringList{QStringLiteral("A guia %1 e a entrada %2 foram anuladas.")
                                              .arg(textoChave(e.guia), textoChave(e.entrada))});
        e.verificarAnuladas(QStringLiteral("Cliente recusou a entrega"));
        QVERIFY2(e.registo().contains(QStringLiteral("origem=anulacao\tutilizador=op\tposto=posto1\tcliente=C1\t"
                                                     "desfecho=guia-anulada\tfeitos=\tanulados=%1,%2\tlistados=\t"
                                                     "erro=\tmotivo=Cliente recusou a entrega\n")
                                          .arg(textoChave(e.guia), textoChave(e.entrada))),
                 qPrintable(e.registo()));

        // Annulled once: the second is refused, and changes nothing.
        QCOMPARE(anulacao.executar(e.guia, QStringLiteral("outra vez")).mensagens,
                 QStringList{QStringLiteral("A guia %1 já está anulada.").arg(textoChave(e.guia))});
        e.verificarAnuladas(QStringLiteral("Cliente recusou a entrega"));
    }

    void recusas() {
        Empresa e(motorActual());
        AnulacaoGuia anulacao(*e.sessao, *e.corridas);
        const QString nome = textoChave(e.guia);
        QCOMPARE(anulacao.executar(e.guia, QStringLiteral("  ")).mensagens,
                 QStringList{QStringLiteral("Indique o motivo da anulação da guia %1.").arg(nome)});
        QCOMPARE(anulacao.executar(e.guia, QString(201, u'x')).mensagens,
                 QStringList{QStringLiteral("O motivo da anulação tem no máximo 200 caracteres; o indicado tem 201.")});
        ChaveDocumento outra = e.guia;
        outra.Numero += 1;
        QCOMPARE(anulacao.recusa(outra), QStringLiteral("A guia %1 não existe.").arg(textoChave(outra)));
        e.base.executar(QStringLiteral("UPDATE DOCGCCAB SET POSTO = 'posto2' WHERE TPDOC = 'GR'"));
        QCOMPARE(
            anulacao.executar(e.guia, QStringLiteral("engano")).mensagens,
            QStringList{
                QStringLiteral("A guia %1 foi feita no posto \"posto2\": só esse posto a pode anular.").arg(nome)});
        QCOMPARE(e.valor(QStringLiteral("SELECT ANULADO FROM DOCGCCAB"), e.guia).toInt(), 0);
        QCOMPARE(e.pendentes(), (QList<qint64>{33750, 0}));
    }

    void outroPostoPrimeiro() {
        // Another session annuls the Guia between this one's check and its
        // own annulment: the ERP refuses the second, which changes nothing more.
        Empresa e(motorActual());
        auto outra = std::make_unique<ErpLocal>();
        QVERIFY(outra->login(QStringLiteral("op"), QStringLiteral("segredo"), QStringLiteral("DEMO"),
                             e.base.textoLigacao(), QStringLiteral("posto1")));
        ChaveDocumento g = e.guia;
        EstadoOperacao estado;
        qint16 flag = 0;
        outra->setMotivoAnulacao(QStringLiteral("primeiro"));
        outra->AnulaDocumento(1, g, estado, flag);
        QCOMPARE(estado.Codigo, -1);
        QString falha;
        QCOMPARE(anularDocumento(*e.sessao, e.bd, e.guia, QStringLiteral("segundo"), falha),
                 DesfechoAnulacao::JaEstava);
        QCOMPARE(e.valor(QStringLiteral("SELECT MOTIVOANULACAO FROM DOCGCCAB"), e.guia).toString(),
                 QStringLiteral("primeiro"));
        QCOMPARE(e.pendentes(), (QList<qint64>{55000, 70000}));
    }

    void recuperar_data() {
        QTest::addColumn<bool>("guiaAnulada");
        QTest::addColumn<bool>("outroPosto");
        QTest::newRow("antes da guia") << false << false;
        QTest::newRow("depois da guia") << true << false;
        QTest::newRow("guia de outro posto") << false << true;
    }

    void recuperar() {
        // An annulment whose start is in the journal and that was cut short
        // before the Guia's annulment, or after it: the next start finishes
        // it. A journal naming a Guia another workstation made annuls nothing.
        QFETCH(bool, guiaAnulada);
        QFETCH(bool, outroPosto);
        Empresa e(motorActual());
        InicioCorrida inicio;
        inicio.cliente = QStringLiteral("C1");
        inicio.anulacao = AnulacaoDiario{e.guia, e.entrada, QStringLiteral("avaria")};
        e.corridas->iniciar(inicio);
        if (guiaAnulada) {
            QString falha;
            QCOMPARE(anularDocumento(*e.sessao, e.bd, e.guia, QStringLiteral("avaria"), falha),
                     DesfechoAnulacao::Feita);
        }
        if (outroPosto)
            e.base.executar(QStringLiteral("UPDATE DOCGCCAB SET POSTO = 'posto2' WHERE TPDOC = 'GR'"));
        const ResultadoRecuperacao r = e.corridas->recuperar(*e.sessao);
        QVERIFY(r.texto.startsWith(QStringLiteral("A anulação interrompida de ")));
        if (outroPosto) {
            QVERIFY2(r.texto.endsWith(QStringLiteral("(guia %1): a guia %1 não é deste posto com essa entrada; nada "
                                                     "foi anulado.")
                                          .arg(textoChave(e.guia))),
                     qPrintable(r.texto));
            QCOMPARE(e.valor(QStringLiteral("SELECT ANULADO FROM DOCGCCAB"), e.guia).toInt(), 0);
            QCOMPARE(e.pendentes(), (QList<qint64>{33750, 0}));
            QVERIFY(e.corridas->diario().porTerminar().empty());
            return;
        }
        QVERIFY2(r.texto.contains(QStringLiteral("(guia %1): a guia %1 e a entrada %2 estão anuladas.")
                                      .arg(textoChave(e.guia), textoChave(e.entrada))),
                 qPrintable(r.texto));
        e.verificarAnuladas(QStringLiteral("avaria"));
        QVERIFY(e.registo().contains(QStringLiteral("origem=recuperacao")) &&
                e.registo().contains(QStringLiteral("desfecho=guia-anulada")) &&
                e.registo().contains(QStringLiteral("motivo=avaria")));
    }
};

QTEST_GUILESS_MAIN(tst_Anulacao)
#include "tst_anulacao.moc"
