// Hostile text through every field and the look-up lists: quotes, SQL
// comments, LIKE wildcards, backslashes, the longest text a field takes and
// beyond, letters beyond ASCII, control characters. Each text is pasted as
// an operator would paste it and is matched exactly as the field holds it:
// no SQL error, no other row, nothing changed in the database. And hostile
// text in the database (markup, control characters, the longest a column
// takes) as names, descriptions and requisitions: shown as the text it is,
// stored whole on the documents.

#include "AmbienteJanela.h"
#include "CampoEntrada.h"
#include "DocumentosDoPosto.h"
#include "Guarda.h"
#include "Integridade.h"
#include "JanelaTeste.h"
#include "ListaDocumentos.h"
#include "ListaPesquisa.h"
#include "ModeloDocumentos.h"
#include "ModeloEncomendas.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QTableView>
#include <QTest>

namespace {

/// The texts tried, each pasted whole into a field.
const QStringList Corpus = {
    QStringLiteral("O'BRIEN"),
    QStringLiteral("'"),
    QStringLiteral("''"),
    QStringLiteral("'; DROP TABLE Clientes; --"),
    QStringLiteral("x'); DELETE FROM DOCGCLIN; --"),
    QStringLiteral("C1' OR '1'='1"),
    QStringLiteral("\" OR 1=1 --"),
    QStringLiteral("%"),
    QStringLiteral("_"),
    QStringLiteral("C_"),
    QStringLiteral("C%"),
    QStringLiteral("%%"),
    QStringLiteral("\\"),
    QStringLiteral("\\'"),
    QStringLiteral("a\\%b"),
    QStringLiteral("\\_"),
    QStringLiteral("?"),
    QStringLiteral("?1"),
    QStringLiteral(":codigo"),
    QStringLiteral("$1"),
    QStringLiteral("*"),
    QStringLiteral("[C]1"),
    QStringLiteral("NULL"),
    QStringLiteral("ABCDEFGHIJKLMNO"),     // the longest a field takes
    QStringLiteral("ABCDEFGHIJKLMNOPQRS"), // cut to 15
    QStringLiteral("Çé€ßãõ"),
    QStringLiteral("ÇÃO"),
    QStringLiteral("ção"),
    QStringLiteral("漢字テスト"),
    QStringLiteral("\U0001F600x"),
    QStringLiteral("e\u0301"),
    QStringLiteral("\u202Eabc"),
    QStringLiteral("  C1"),
    QStringLiteral("C1  "),
    QStringLiteral("\tC1"),
    QStringLiteral("C1\n"),
    QStringLiteral("C\r1"),
    QStringLiteral("\x01\x1b\x7f"),
    QString::fromUtf16(u"C1\u0000X", 4),
};

bool guardavel(const QString& t) {
    // A text column cannot hold NUL on PostgreSQL; nothing else is refused.
    return !t.isEmpty() && !t.contains(QChar(0));
}

/// The window, shown and active, over a company whose clients, articles and
/// requisitions carry the hostile texts as codes.
struct Janela {
    explicit Janela(Motor motor) : a(motor), j(a) { mostrarActiva(j.w); }

    /// Pastes `texto` into the field as the operator would (select all, paste).
    QString colar(int campo, const QString& texto) {
        CampoEntrada* f = j.campo(campo);
        f->setFocus();
        f->selectAll();
        QApplication::clipboard()->setText(texto);
        QTest::keyClick(f, Qt::Key_V, Qt::ControlModifier);
        return f->text();
    }

    AmbienteJanela a;
    JanelaTeste j;
};

bool controlo(QChar c) {
    return c.category() == QChar::Other_Control;
}

/// What a field of at most 15 characters holds once `texto` is pasted over
/// its whole text: cut at 15, then without control characters.
QString noCampo(const QString& texto) {
    return texto.left(15).removeIf(controlo);
}

} // namespace

class tst_Hostil : public QObject {
    Q_OBJECT

private:
    QSet<QString> clientes;      ///< active client codes stored
    QSet<QString> artigos;       ///< active article codes stored
    QSet<QString> comEncomendas; ///< texts with one order line as client, article and requisition

    /// Clients, articles and orders named by the corpus, with decoys that a
    /// wildcard, a lost quote or a case-blind match would wrongly find.
    void povoar(BaseTeste& b) {
        clientes = {QStringLiteral("C1"), QStringLiteral("C2"), QStringLiteral("O'BRIEN")};
        artigos = {QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3")};
        int n = 0;
        for (const QString& t : Corpus) {
            const QString codigo = noCampo(t);
            ++n;
            if (!guardavel(codigo) || clientes.contains(codigo))
                continue;
            b.executar(QStringLiteral("INSERT INTO Clientes (Codigo, Nome) VALUES (?, ?)"),
                       {codigo, QStringLiteral("Cliente %1").arg(n)});
            b.executar(QStringLiteral("INSERT INTO Artigos (Codigo, Nome) VALUES (?, ?)"),
                       {codigo, QStringLiteral("Artigo %1").arg(n)});
            clientes << codigo;
            artigos << codigo;
            comEncomendas << codigo;
            // One order of this client, and one line of C1 with this article and requisition.
            b.encomenda(QStringLiteral("ENC"), 1, 1000 + n, 2026, codigo, QStringLiteral("2026-02-01"),
                        QStringLiteral("R%1").arg(n), {{QStringLiteral("A1"), 1}});
            b.encomenda(QStringLiteral("ENC"), 1, 2000 + n, 2026, QStringLiteral("C1"), QStringLiteral("2026-02-02"),
                        codigo, {{codigo, 2}});
        }
        // Decoys: an inactive client with a wildcard code, and names with the hostile texts inside.
        b.executar(QStringLiteral("INSERT INTO Clientes (Codigo, Nome, Inactivo) VALUES ('C%X', 'Inactivo', -1)"));
        b.executar(
            QStringLiteral("INSERT INTO Clientes (Codigo, Nome) VALUES ('CX1', '100% Algodão_Lda'),"
                           " ('CX2', 'Barra \\ e aspa '' Lda'), ('CX3', 'AÇORES & Cª'), ('cx4', 'açores minúsculas')"));
        clientes << QStringLiteral("CX1") << QStringLiteral("CX2") << QStringLiteral("CX3") << QStringLiteral("cx4");
    }

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void camposDeCodigo() {
        Janela j(motorActual());
        povoar(j.a.base);
        const QString antes = retratoDaBase(j.a.base);
        int tentados = 0;
        for (const QString& t : Corpus) {
            for (const int indice : {1, 0}) {
                j.a.mensagens.caixas.clear();
                const QString campo = j.colar(indice, t);
                // The field keeps what was pasted, cut at its 15 characters,
                // without control characters.
                QCOMPARE(campo, noCampo(t));
                QTest::keyClick(j.j.campo(indice), Qt::Key_Tab);
                const bool existe = indice == 1 ? clientes.contains(campo) : artigos.contains(campo);
                const QString contexto = QStringLiteral("campo %1, texto \"%2\"").arg(indice).arg(t);
                if (campo.isEmpty()) {
                    // Nothing left: the client is mandatory, the article is not.
                    QCOMPARE(j.a.mensagens.textos(),
                             indice == 1 ? QStringList{QStringLiteral("Campo obrigatório!")} : QStringList{});
                } else if (existe) {
                    QVERIFY2(j.a.mensagens.caixas.empty(), qPrintable(contexto + j.a.mensagens.textos().join('|')));
                    const QString nome = j.j.Label2(indice == 1 ? 4 : 5)->text();
                    QCOMPARE(nome,
                             j.a.base
                                 .escalar(indice == 1 ? QStringLiteral("SELECT Nome FROM Clientes WHERE Codigo = ?")
                                                      : QStringLiteral("SELECT Nome FROM Artigos WHERE Codigo = ?"),
                                          {campo})
                                 .toString());
                    QVERIFY2(j.j.foco() != j.j.campo(indice), qPrintable(contexto));
                } else {
                    QCOMPARE(j.a.mensagens.textos(),
                             QStringList{indice == 1 ? QStringLiteral("Cliente não existente!")
                                                     : QStringLiteral("Artigo não existente!")});
                    QVERIFY2(j.j.foco() == j.j.campo(indice), qPrintable(contexto));
                }
                QVERIFY2(j.a.mensagens.terminacoes.empty(), qPrintable(contexto));
                ++tentados;
            }
        }
        QCOMPARE(retratoDaBase(j.a.base), antes);
        qInfo("%d textos hostis, %d verificações de campo", int(Corpus.size()), tentados);
    }

    void numeroDaEncomendaSoDigitos() {
        Janela j(motorActual());
        for (const QString& t : Corpus + QStringList{QStringLiteral("12'3"), QStringLiteral("-1"),
                                                     QStringLiteral("1e5"), QStringLiteral("١٢٣")}) {
            j.j.campo(2)->clear();
            const QString campo = j.colar(2, t);
            QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]*$")).match(campo).hasMatch(), qPrintable(campo));
        }
        // Digits up to the field's 15: a number beyond any order finds nothing, without error.
        j.j.campo(1)->setText(QStringLiteral("C1"));
        QCOMPARE(j.colar(2, QStringLiteral("9999999999999999999")), QStringLiteral("999999999999999"));
        j.j.bt("btCarga")->click();
        QCOMPARE(j.a.mensagens.textos(),
                 QStringList{QStringLiteral("Não existem Encomendas para as condições solicitadas!")});
        QVERIFY(j.a.mensagens.terminacoes.empty());
    }

    void cargaFiltradaExactamente() {
        Janela j(motorActual());
        povoar(j.a.base);
        const QString antes = retratoDaBase(j.a.base);
        int cargas = 0;
        for (const QString& t : Corpus) {
            const QString codigo = noCampo(t);
            // As client, as article (of client C1), as requisition (of client C1).
            for (const int filtro : {1, 0, 3}) {
                j.j.importacao.limpar();
                j.a.mensagens.caixas.clear();
                j.j.campo(1)->setText(filtro == 1 ? QString() : QStringLiteral("C1"));
                QCOMPARE(j.colar(filtro, t), codigo);
                j.j.importacao.definirValidarCampo(false);
                j.j.bt("btCarga")->click();
                ++cargas;
                const QString contexto = QStringLiteral("filtro %1, texto \"%2\"").arg(filtro).arg(t);
                QVERIFY2(j.a.mensagens.terminacoes.empty(), qPrintable(contexto + j.a.mensagens.textos().join('|')));
                // Stored texts find their one line; others find none.
                if (codigo.isEmpty() && filtro == 1) {
                    QCOMPARE(j.a.mensagens.textos(), QStringList{QStringLiteral("Campo Cliente obrigatório!")});
                    continue;
                }
                if (codigo.isEmpty() || (filtro == 1 && codigo == QLatin1String("C1")))
                    continue; // no filter, or client C1's own orders: not a hostile text any more
                const int esperadas = comEncomendas.contains(codigo) ? 1 : 0;
                QVERIFY2(j.j.importacao.linhasCarregadas() == esperadas, qPrintable(contexto));
                if (esperadas == 0) {
                    QVERIFY2(j.a.mensagens.textos() ==
                                 QStringList{QStringLiteral("Não existem Encomendas para as condições solicitadas!")},
                             qPrintable(contexto + j.a.mensagens.textos().join('|')));
                    continue;
                }
                const LinhaEncomenda& l = *j.j.m().encomenda(0);
                QCOMPARE(filtro == 1 ? l.terceiro : filtro == 0 ? l.artigo : l.requisicao, codigo);
            }
        }
        QCOMPARE(retratoDaBase(j.a.base), antes);
        qInfo("%d cargas com textos hostis", cargas);
    }

    void listaDePesquisa() {
        Janela j(motorActual());
        povoar(j.a.base);
        const QString antes = retratoDaBase(j.a.base);
        ListaPesquisa l(j.a.bd.novaLigacao(), j.a.guarda);
        l.definirConsulta(QStringLiteral("SELECT Codigo AS Cliente, Nome AS Nome From Clientes  ORDER BY Codigo"));
        l.carregar();
        // Every client, to know what each filter should keep.
        QList<QPair<QString, QString>> todos;
        {
            RecordSet rs;
            j.a.bd.consultar(QStringLiteral("SELECT Codigo, Nome FROM Clientes"), {}, rs);
            for (; !rs.fim(); rs.seguinte())
                todos.append({rs.valor(0).toString(), rs.valor(1).toString()});
        }
        const QStringList extra = {QStringLiteral("açores"), QStringLiteral("AÇORES"), QStringLiteral("ALGODÃO"),
                                   QStringLiteral("100%"),   QStringLiteral("o_l"),    QStringLiteral("\\ e")};
        for (const QString& t : Corpus + extra) {
            // Typed into the list's search box.
            l.filtro()->setFocus();
            l.filtro()->selectAll();
            QApplication::clipboard()->setText(t);
            QTest::keyClick(l.filtro(), Qt::Key_V, Qt::ControlModifier);
            const QString filtro = l.filtro()->text();
            while (l.modelo().canFetchMore({}))
                l.modelo().fetchMore({});
            QStringList achados;
            for (int r = 0; r < l.modelo().rowCount(); ++r)
                achados << l.modelo().codigo(r);
            // Contains the text, without regard to case, the text taken literally.
            QStringList esperados;
            // Control characters are left out of the search.
            const QString procurado = QString(filtro).removeIf(controlo).toLower();
            for (const auto& [codigo, nome] : todos)
                if (procurado.isEmpty() || codigo.toLower().contains(procurado) || nome.toLower().contains(procurado))
                    esperados << codigo;
            achados.sort();
            esperados.sort();
            QVERIFY2(
                achados == esperados,
                qPrintable(
                    QStringLiteral("\"%1\": %2 | esperados %3").arg(filtro, achados.join(','), esperados.join(','))));
        }
        QCOMPARE(retratoDaBase(j.a.base), antes);
    }

    void textoDaBase_data() {
        QTest::addColumn<QString>("texto");
        // Each as long as a name or a description takes (100): cut on its
        // label, whole in its tooltip. A requisition takes its first 30.
        const auto cheio = [](const char16_t* t) { return QString::fromUtf16(t).leftJustified(100, u'.', true); };
        QTest::newRow("marcação") << cheio(u"<b>Negrito</b> <i>x</i> <a href=\"http://x\">ligação</a> "
                                           u"<img src=\"x.png\"> &amp; &lt;b&gt; <table><tr><td>t</td></tr></table>");
        QTest::newRow("controlos") << cheio(u"Nome\x1b[2J\x07 e\ttab\nduas linhas\u0085 \u202eabc\u202c fim");
        QTest::newRow("o mais longo") << cheio(u"Çé€ Lda").replace(u'.', u'W').replace(94, 6, QStringLiteral("<br>ab"));
    }

    void textoDaBase() {
        QFETCH(QString, texto);
        AmbienteJanela a(motorActual());
        a.base.executar(QStringLiteral("INSERT INTO Clientes (Codigo, Nome) VALUES ('H1', ?)"), {texto});
        a.base.executar(QStringLiteral("INSERT INTO Artigos (Codigo, Nome) VALUES ('H1', ?)"), {texto});
        a.base.encomenda(QStringLiteral("ENC"), 1, 900, 2026, QStringLiteral("H1"), QStringLiteral("2026-02-01"),
                         texto.left(30), {{QStringLiteral("H1"), 2}});
        a.base.executar(QStringLiteral("UPDATE DOCGCLIN SET DESCR = ? WHERE TPDOCUM = 'ENC'"), {texto});
        JanelaTeste j(a, erpLocalLigado(a.base));
        mostrarActiva(j.w);

        // The client's and the article's names on their labels, and whole in their tooltips.
        for (const auto& [indice, rotulo] : {std::pair{1, 4}, std::pair{0, 5}}) {
            j.campo(indice)->setFocus();
            QTest::keyClicks(j.campo(indice), QStringLiteral("H1"));
            QTest::keyClick(j.campo(indice), Qt::Key_Tab);
            QLabel* l = j.Label2(rotulo);
            QCOMPARE(l->text(), texto);
            QCOMPARE(dicaMostrada(*l, l->rect().center()), texto);
        }
        QVERIFY2(a.mensagens.caixas.empty(), qPrintable(a.mensagens.textos().join('|')));

        // The line's description and requisition in the grid, and on the documents made from it.
        j.campo(0)->clear();
        j.bt("btCarga")->click();
        QCOMPARE(j.importacao.linhasCarregadas(), 1);
        const auto celula = [&j](ColunaEncomenda c) { return j.m().data(j.m().indice(0, c)).toString(); };
        QCOMPARE(celula(ColunaEncomenda::Designacao), texto);
        QCOMPARE(celula(ColunaEncomenda::Req), texto.left(30));
        j.bt("btMarcar")->click();
        j.bt("btEnc")->click();
        QVERIFY2(a.mensagens.caixas.empty(), qPrintable(a.mensagens.textos().join('|')));
        QCOMPARE(a.base
                     .escalar(QStringLiteral("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM IN ('ENT', 'GR')"
                                             " AND DESCR = ?"),
                              {texto})
                     .toInt(),
                 2);

        // The look-up list of clients and the documents list, each name whole in its tooltip.
        ListaPesquisa clientes(a.bd.novaLigacao(), a.guarda);
        clientes.definirConsulta(
            QStringLiteral("SELECT Codigo AS Cliente, Nome AS Nome From Clientes WHERE Codigo = 'H1'"));
        clientes.carregar();
        ModeloDocumentos modelo;
        modelo.definir(documentosDoPosto(a.bd, {QStringLiteral("GR"), QStringLiteral("posto1"), QDate::currentDate(),
                                                QDate::currentDate(), QString()}));
        ListaDocumentos documentos(&modelo, QDate::currentDate());
        for (const auto& [lista, celulaNome] :
             {std::pair{static_cast<QWidget*>(&clientes), clientes.modelo().index(0, 1)},
              std::pair{static_cast<QWidget*>(&documentos), modelo.index(0, ModeloDocumentos::ColNome)}}) {
            mostrarActiva(*lista);
            auto* tabela = lista->findChild<QTableView*>();
            QCOMPARE(celulaNome.data().toString(), texto);
            QCOMPARE(dicaMostrada(*tabela->viewport(), tabela->visualRect(celulaNome).center()), texto);
            lista->hide();
        }
    }

    void listaComLigacaoPerdida() {
        // An error of the list's query, in the middle of typing, ends the
        // program with its box: it never unwinds through the event loop.
        Janela j(motorActual());
        ListaPesquisa l(j.a.bd.novaLigacao(), j.a.guarda);
        l.definirConsulta(QStringLiteral("SELECT Codigo AS Cliente, Nome AS Nome From Clientes  ORDER BY Codigo"));
        l.carregar();
        for (const QString& nome : QSqlDatabase::connectionNames())
            if (nome != j.a.bd.db().connectionName() && nome != j.a.base.db().connectionName())
                QSqlDatabase::database(nome, false).close();
        QTest::keyClicks(l.filtro(), QStringLiteral("C"));
        QCOMPARE(j.a.mensagens.terminacoes, std::vector<int>{1});
        QCOMPARE(j.a.mensagens.caixas.size(), size_t(1));
        QVERIFY2(j.a.mensagens.caixas.at(0).texto.startsWith(QStringLiteral("Erro %1: ").arg(int(Erro::Sql))),
                 qPrintable(j.a.mensagens.caixas.at(0).texto));
    }
};

QTEST_MAIN(tst_Hostil)
#include "tst_hostil.moc"
