#include "ErpGravador.h"
#include "Erro.h"
#include "Moeda.h"

#include <QTest>

namespace {

const QString Documento = QStringLiteral("ErpApi.DocumentoComercial");
const QString Linha = QStringLiteral("ErpApi.DocumentosGcLin");

QString erroDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const Erro& e) {
        return QString::number(e.numero()) + QLatin1Char(' ') + e.texto();
    }
    return QStringLiteral("(nenhum erro)");
}

ChaveDocumento entrar(ErpGravador& erp, qint32* codigo = nullptr, QString* texto = nullptr, bool* flag = nullptr) {
    ChaveDocumento chave;
    bool f = false;
    erp.CriaDocumentoEntrada(1, 4, QStringLiteral("ENT"), QStringLiteral("A1"), 1, QStringLiteral("A1"), QString(),
                             QString(), QStringLiteral("08-12-2026"), QString(), QStringLiteral("Texto"), 0, QString(),
                             {QString(), QStringLiteral("A1")}, {QString(), QStringLiteral("Parafuso")}, {0, 3}, {0, 9},
                             {QString(), QString()}, chave, f);
    qint32 c = 0;
    QString t;
    erp.UltimoErro(c, t);
    if (codigo)
        *codigo = c;
    if (texto)
        *texto = t;
    if (flag)
        *flag = f;
    return chave;
}

} // namespace

class tst_ErpGravador : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registaUmaSequencia() {
        ErpGravador erp;
        erp.definicao(3);
        QVERIFY(erp.login(QStringLiteral("operador"), QStringLiteral("segredo"), QStringLiteral("EMP1"),
                          QStringLiteral("Driver=QPSQL;Host=/s;Database=x;User=y;Password=\"p;w\";Port=5432"),
                          QStringLiteral("POSTO1")));
        const auto doc = std::dynamic_pointer_cast<DocumentoComercial>(erp.CriaObjectoApi(Documento));
        QVERIFY(doc);
        doc->Cab().definir(QStringLiteral("Ano"), QVariant::fromValue<qint16>(2026));
        doc->Cab().definir(QStringLiteral("Serie"), QStringLiteral(" 1 "));
        doc->Cab().definir(QStringLiteral("Processo"), QString());
        doc->Validar();
        const auto linha = erp.CriaObjectoApi(Linha);
        linha->definir(QStringLiteral("Artigo"), QStringLiteral("A1"));
        doc->SugereValoresLin(*linha, true, true, false, true, true, false, true);
        linha->definir(QStringLiteral("Quantidade"), QVariant::fromValue(Moeda::deUnidades(75000)));
        linha->definir(QStringLiteral("PrecoUnitario"), 0.1);
        linha->definir(QStringLiteral("OrNum"), 15);
        linha->definir(QStringLiteral("Descricao"), QVariant());
        doc->AdicionaLinha(*linha);
        erp.setOpcaoEntrada1(true);
        erp.setOpcaoEntrada2(false);
        entrar(erp);
        qint16 flag = -1;
        erp.GravaDocumento(3, *doc, flag);
        ChaveDocumento chave{2024, QStringLiteral("GR"), 1, 45};
        EstadoOperacao estado;
        erp.AnulaDocumento(1, chave, estado, flag);
        erp.logoff();

        const QStringList esperado{
            QStringLiteral("definicao(3)"),
            QStringLiteral(
                "login(operador,***,EMP1,Driver=QPSQL;Host=/s;Database=x;User=y;Password=***;Port=5432,POSTO1)"),
            QStringLiteral("CriaObjectoApi(ErpApi.DocumentoComercial)"),
            QStringLiteral("Cab.Ano=2026 (short)"),
            QStringLiteral("Cab.Serie= 1 "),
            QStringLiteral("Cab.Processo="),
            QStringLiteral("Validar()"),
            QStringLiteral("CriaObjectoApi(ErpApi.DocumentosGcLin)"),
            QStringLiteral("Linha.Artigo=A1"),
            QStringLiteral("SugereValoresLin(true,true,false,true,true,false,true)"),
            QStringLiteral("Linha.Quantidade=7.5 (Moeda)"),
            QStringLiteral("Linha.PrecoUnitario=0.1 (double)"),
            QStringLiteral("Linha.OrNum=15 (int)"),
            QStringLiteral("Linha.Descricao=(vazio)"),
            QStringLiteral("AdicionaLinha()"),
            QStringLiteral("OpcaoEntrada1=true"),
            QStringLiteral("OpcaoEntrada2=false"),
            QStringLiteral(
                "CriaDocumentoEntrada(1,4,ENT,A1,1,A1,,,08-12-2026,,Texto,0,,[,A1],[,Parafuso],[0,3],[0,9],[,])"),
            QStringLiteral("UltimoErro()"),
            QStringLiteral("GravaDocumento(3)"),
            QStringLiteral("AnulaDocumento(1,GR/1/45/2024)"),
            QStringLiteral("logoff()"),
        };
        QCOMPARE(erp.chamadas, esperado);
        QVERIFY(!erp.chamadas.join(QLatin1Char('\n')).contains(QStringLiteral("segredo")));
        QVERIFY(!erp.chamadas.join(QLatin1Char('\n')).contains(QStringLiteral("p;w")));

        QCOMPARE(erp.entradas.size(), size_t(1));
        const ErpGravador::Entrada& e = erp.entradas.front();
        QCOMPARE(e.tipo, QStringLiteral("ENT"));
        QCOMPARE(e.serie, qint16(1));
        QCOMPARE(e.artigos, (QStringList{QString(), QStringLiteral("A1")}));
        QCOMPARE(e.precos, (std::vector<double>{0, 9}));
        QCOMPARE(erp.anulacoes.size(), size_t(1));
        QCOMPARE(erp.anulacoes.front().Numero, 45);
        // A recorded document is numbered when it is saved.
        QCOMPARE(doc->Cab().obter(QStringLiteral("Numero")).toInt(), 1);
        QCOMPARE(linha->obter(QStringLiteral("OrNum")).toInt(), 15);
    }

    void valores() {
        QCOMPARE(ErpGravador::textoValor(QVariant()), QStringLiteral("(vazio)"));
        QCOMPARE(ErpGravador::textoValor(QStringLiteral("GT")), QStringLiteral("GT"));
        QCOMPARE(ErpGravador::textoValor(QVariant::fromValue<qint16>(-4)), QStringLiteral("-4 (short)"));
        QCOMPARE(ErpGravador::textoValor(QVariant(true)), QStringLiteral("true (bool)"));
        QCOMPARE(ErpGravador::textoValor(QVariant(1.0 / 3)), QStringLiteral("0.3333333333333333 (double)"));
        QCOMPARE(ErpGravador::textoValor(QVariant::fromValue(Moeda::deInteiro(-2))), QStringLiteral("-2 (Moeda)"));
    }

    void resultadosConfigurados() {
        ErpGravador erp;
        qint32 codigo = 0;
        QString texto;
        bool flag = false;
        QCOMPARE(entrar(erp, &codigo, &texto, &flag).Numero, 1);
        QCOMPARE(codigo, -1);
        QVERIFY(flag);
        erp.resultadosEntrada.push_back({5, QStringLiteral("Sem stock."), std::nullopt});
        erp.resultadosEntrada.push_back({-1, QString(), ChaveDocumento{2024, QStringLiteral("GR"), 1, 45}});
        ChaveDocumento chave = entrar(erp, &codigo, &texto, &flag);
        QCOMPARE(codigo, 5);
        QCOMPARE(texto, QStringLiteral("Sem stock."));
        QVERIFY(!flag);
        QCOMPARE(chave.Numero, 0);
        chave = entrar(erp, &codigo, &texto, &flag);
        QCOMPARE(chave.Ano, qint16(2024));
        QCOMPARE(chave.Numero, 45);
        chave = entrar(erp);
        QCOMPARE(chave.Ano, qint16(2026));
        QCOMPARE(chave.TipoDoc, QStringLiteral("ENT"));
        QCOMPARE(chave.Numero, 2);

        auto doc = std::dynamic_pointer_cast<DocumentoComercial>(erp.CriaObjectoApi(Documento));
        erp.resultadosGravacao.push_back({2, 7, QStringLiteral("Recusado.")});
        qint16 f = 0;
        erp.GravaDocumento(1, *doc, f);
        erp.UltimoErro(codigo, texto);
        QCOMPARE(f, qint16(2));
        QCOMPARE(codigo, 7);
        QCOMPARE(texto, QStringLiteral("Recusado."));
        QVERIFY(!doc->Cab().obter(QStringLiteral("Numero")).isValid());
        erp.GravaDocumento(1, *doc, f);
        erp.UltimoErro(codigo, texto);
        QCOMPARE(f, qint16(0));
        QCOMPARE(codigo, -1);
        QCOMPARE(texto, QString());

        erp.resultadosAnulacao.push_back({3, QStringLiteral("Não pode.")});
        EstadoOperacao estado;
        erp.AnulaDocumento(1, chave, estado, f);
        QCOMPARE(estado.Codigo, 3);
        QCOMPARE(f, qint16(1));
        erp.AnulaDocumento(1, chave, estado, f);
        QCOMPARE(estado.Codigo, -1);
        QCOMPARE(estado.TextoEstado, QString());
        QCOMPARE(f, qint16(0));
        erp.respostaLogin = false;
        QVERIFY(
            !erp.login(QStringLiteral("u"), QString(), QStringLiteral("e"), QStringLiteral("l"), QStringLiteral("p")));
        QCOMPARE(erp.chamadas.last(), QStringLiteral("login(u,,e,l,p)"));
    }

    void membrosEObjectos() {
        ErpGravador erp;
        const QString erroErp = QString::number(Erro::Erp) + QLatin1Char(' ');
        QCOMPARE(erroDe([&] { erp.CriaObjectoApi(QStringLiteral("erpapi.documentocomercial")); }),
                 erroErp + QStringLiteral("O ERP não tem o objecto \"erpapi.documentocomercial\"."));
        QCOMPARE(erp.chamadas.last(), QStringLiteral("CriaObjectoApi(erpapi.documentocomercial)"));
        const auto doc = std::dynamic_pointer_cast<DocumentoComercial>(erp.CriaObjectoApi(Documento));
        QCOMPARE(erroDe([&] { doc->Cab().definir(QStringLiteral("MeioDeTransporte"), QString()); }),
                 erroErp +
                     QStringLiteral("O objecto ErpApi.DocumentoComercial.Cab não tem o membro MeioDeTransporte."));
        QVERIFY(erroDe([&] { doc->Cab().definir(QStringLiteral("Numero"), 1); }).startsWith(erroErp));
        QVERIFY(erroDe([&] { erp.CriaObjectoApi(Linha)->definir(QStringLiteral("Terceiro"), 1); }).startsWith(erroErp));
        // Refused writes are not recorded.
        QCOMPARE(erp.chamadas.last(), QStringLiteral("CriaObjectoApi(ErpApi.DocumentosGcLin)"));

        // Objects may outlive the recorder: their calls then go nowhere.
        std::shared_ptr<ObjectoApi> linha;
        {
            ErpGravador curto;
            linha = curto.CriaObjectoApi(Linha);
        }
        linha->definir(QStringLiteral("Artigo"), QStringLiteral("A1"));
        QCOMPARE(linha->obter(QStringLiteral("Artigo")).toString(), QStringLiteral("A1"));
    }

    void falhasSimuladas() {
        ErpGravador erp;
        const auto doc = std::dynamic_pointer_cast<DocumentoComercial>(erp.CriaObjectoApi(Documento));
        const auto linha = erp.CriaObjectoApi(Linha);
        erp.falharEm(QStringLiteral("AdicionaLinha"), 2);
        doc->AdicionaLinha(*linha);
        QCOMPARE(erroDe([&] { doc->AdicionaLinha(*linha); }),
                 QString::number(Erro::Erp) + QStringLiteral(" Falha simulada em AdicionaLinha."));
        doc->AdicionaLinha(*linha);
        QCOMPARE(erp.chamadas.count(QStringLiteral("AdicionaLinha()")), 3);

        erp.falharEm(QStringLiteral("Cab"));
        QVERIFY(erroDe([&] {
                    doc->Cab().definir(QStringLiteral("Ano"), 1);
                }).contains(QStringLiteral("Falha simulada em Cab.")));
        QVERIFY(!doc->Cab().obter(QStringLiteral("Ano")).isValid());
        // "<operacao>:std": an error of another type than the program's own.
        erp.falharEm(QStringLiteral("Validar:std"));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, doc->Validar());
        QCOMPARE(erroDe([&] { doc->Validar(); }), QStringLiteral("(nenhum erro)"));

        qint16 flag = 0;
        erp.falharEm(QStringLiteral("GravaDocumento"));
        erp.GravaDocumento(2, *doc, flag);
        qint32 codigo = 0;
        QString texto;
        erp.UltimoErro(codigo, texto);
        QCOMPARE(flag, qint16(1));
        QCOMPARE(codigo, 1);
        QCOMPARE(texto, QStringLiteral("Falha simulada em GravaDocumento."));
        erp.falharEm(QStringLiteral("GravaDocumento:excepcao"));
        QVERIFY(erroDe([&] { erp.GravaDocumento(2, *doc, flag); }).contains(QStringLiteral("GravaDocumento:excepcao")));

        ChaveDocumento chave{2026, QStringLiteral("ENT"), 1, 1};
        EstadoOperacao estado;
        erp.falharEm(QStringLiteral("AnulaDocumento"));
        erp.AnulaDocumento(1, chave, estado, flag);
        QCOMPARE(estado.Codigo, 1);
        QCOMPARE(estado.TextoEstado, QStringLiteral("Falha simulada em AnulaDocumento."));
        erp.falharEm(QStringLiteral("CriaDocumentoEntrada"));
        QVERIFY(erroDe([&] { entrar(erp); }).contains(QStringLiteral("Falha simulada em CriaDocumentoEntrada.")));
        QCOMPARE(erp.entradas.size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(tst_ErpGravador)
#include "tst_erpgravador.moc"
