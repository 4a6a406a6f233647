#include "Relatorio.h"

#include "Medidas.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>
#include <QThread>

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <optional>

namespace Bench {

namespace {

QString linhaProc(const QString& ficheiro, const QString& chave) {
    QFile f(ficheiro);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& l : f.readAll().split('\n')) {
        if (l.startsWith(chave.toLatin1())) {
            const qsizetype dois = l.indexOf(':');
            return QString::fromUtf8(l.mid(dois + 1)).trimmed();
        }
    }
    return {};
}

QJsonObject maquina() {
    QJsonObject m;
    m[QStringLiteral("cpu")] = linhaProc(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name"));
    m[QStringLiteral("nucleos")] = QThread::idealThreadCount();
    const double kib = linhaProc(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal"))
                           .split(QLatin1Char(' '))
                           .value(0)
                           .toDouble();
    m[QStringLiteral("memoria_GiB")] = std::round(kib / 1024.0 / 1024.0 * 10.0) / 10.0;
    m[QStringLiteral("sistema")] = QSysInfo::prettyProductName();
    m[QStringLiteral("qt")] = QString::fromLatin1(qVersion());
    m[QStringLiteral("sqlite")] = QString::fromLatin1(sqlite3_libversion());
    m[QStringLiteral("data")] = QDateTime::currentDateTime().toString(Qt::ISODate);
    return m;
}

/// One row of the table: a figure, its floor, and how they compare.
struct Figura {
    Figura(const QString& i, const QString& d, const QString& u) : id(i), descricao(d), unidade(u) {}
    QString id;
    QString descricao;
    QString unidade;    ///< "ms", "µs" or "MiB"
    double valor = NAN; ///< in the unit
    QString piso;       ///< what the floor is
    double valorPiso = NAN;
    enum class Alvo {
        Razao,     ///< valor / piso <= limite
        Absoluto,  ///< valor <= limite
        Acrescimo, ///< valor - piso <= limite
        Nenhum
    } alvo = Alvo::Razao;
    double limite = 0;
    QString detalhe;
    QString erro;

    std::optional<double> comparacao() const {
        if (std::isnan(valor) || (alvo != Alvo::Absoluto && std::isnan(valorPiso)))
            return std::nullopt;
        switch (alvo) {
        case Alvo::Razao:
        case Alvo::Nenhum:
            return valorPiso > 0 ? std::optional<double>(valor / valorPiso) : std::nullopt;
        case Alvo::Absoluto:
            return valor;
        case Alvo::Acrescimo:
            return valor - valorPiso;
        }
        return std::nullopt;
    }
    std::optional<bool> cumprido() const {
        const auto c = comparacao();
        if (!c || alvo == Alvo::Nenhum)
            return std::nullopt;
        return *c <= limite;
    }
    QString textoAlvo() const {
        switch (alvo) {
        case Alvo::Razao:
            return QStringLiteral("≤ %1×").arg(limite);
        case Alvo::Absoluto:
            return QStringLiteral("< %1 %2").arg(limite).arg(unidade);
        case Alvo::Acrescimo:
            return QStringLiteral("≤ +%1 %2").arg(limite).arg(unidade);
        case Alvo::Nenhum:
            return QStringLiteral("—");
        }
        return {};
    }
    QString textoComparacao() const {
        const auto c = comparacao();
        if (!c)
            return QStringLiteral("—");
        switch (alvo) {
        case Alvo::Razao:
        case Alvo::Nenhum:
            return QStringLiteral("%1×").arg(*c, 0, 'f', 2);
        case Alvo::Absoluto:
            return QStringLiteral("%1 %2").arg(*c, 0, 'f', 1).arg(unidade);
        case Alvo::Acrescimo:
            return QStringLiteral("+%1 %2").arg(*c, 0, 'f', 1).arg(unidade);
        }
        return {};
    }
};

class Tabela {
public:
    explicit Tabela(const std::map<std::string, Medida>& m) : m_m(m) {}

    /// The median of a measure in the unit; NaN (and the error noted) when it did not run.
    double tempo(const char* nome, double escala, QString* erro = nullptr) const {
        const auto i = m_m.find(nome);
        if (i == m_m.end() || !i->second.erro.isEmpty()) {
            if (erro && i != m_m.end())
                *erro = QStringLiteral("%1: %2").arg(QString::fromLatin1(nome), i->second.erro);
            return NAN;
        }
        return i->second.mediana * escala;
    }
    double contador(const char* nome, const char* contador) const {
        const auto i = m_m.find(nome);
        if (i == m_m.end() || !i->second.erro.isEmpty())
            return NAN;
        const auto c = i->second.contadores.find(contador);
        return c == i->second.contadores.end() ? NAN : c->second;
    }

private:
    const std::map<std::string, Medida>& m_m;
};

QString numero(double v, int casas) {
    return std::isnan(v) ? QStringLiteral("—") : QString::number(v, 'f', casas);
}

QString aLargura(const QString& t, int largura) {
    return t.size() >= largura ? t : t + QString(largura - t.size(), QLatin1Char(' '));
}

} // namespace

bool Recolha::ReportContext(const Context&) {
    std::printf("A medir (mediana de cada medida, em ms):\n");
    return true;
}

void Recolha::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& r : runs) {
        Medida& m = m_medidas[r.run_name.function_name];
        if (r.error_occurred) {
            m.erro = QString::fromStdString(r.error_message);
            std::printf("  %-42s ERRO: %s\n", r.run_name.function_name.c_str(), r.error_message.c_str());
            continue;
        }
        const bool unica = r.run_type == Run::RT_Iteration && r.repetitions <= 1;
        if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "cv") {
            m.cv = r.real_accumulated_time;
            continue;
        }
        if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "min") {
            m.minimo = r.GetAdjustedRealTime() / 1e6;
            continue;
        }
        if (!unica && !(r.run_type == Run::RT_Aggregate && r.aggregate_name == "median"))
            continue;
        m.mediana = r.GetAdjustedRealTime() / 1e6;
        m.repeticoes = static_cast<int>(r.repetitions);
        if (unica)
            m.minimo = m.mediana;
        for (const auto& [nome, contador] : r.counters)
            m.contadores[nome] = contador.value;
        std::printf("  %-42s %10.3f\n", r.run_name.function_name.c_str(), m.mediana * 1e3);
        std::fflush(stdout);
    }
}

int relatar(const std::map<std::string, Medida>& medidas, const Tamanhos& n, const QJsonObject& planos, bool rapido,
            const QString& json) {
    const Tabela t(medidas);
    // Thousands apart by a blank, as the operators write them ("30 000").
    auto q = [](int v) {
        QString t = QString::number(v);
        for (qsizetype i = t.size() - 3; i > 0; i -= 3)
            t.insert(i, QLatin1Char(' '));
        return t;
    };
    using A = Figura::Alvo;
    std::vector<Figura> f;
    auto ms = [&](const char* nome, QString* erro = nullptr) { return t.tempo(nome, 1e3, erro); };
    {
        Figura x(QStringLiteral("carga_big_sqlite"),
                 QStringLiteral("\"&Carregar\" BIG (%1 linhas), SQLite").arg(q(n.linhasGrande)), QStringLiteral("ms"));
        x.valor = ms(Nome::CargaGrande, &x.erro);
        x.piso = QStringLiteral("a mesma instrução pela API C do SQLite");
        x.valorPiso = ms(Nome::PisoCargaGrande, &x.erro);
        x.limite = 1.3;
        f.push_back(x);
    }
    if (medidas.count(Nome::CargaGrandePg)) {
        Figura x(QStringLiteral("carga_big_postgresql"),
                 QStringLiteral("\"&Carregar\" BIG (%1 linhas), PostgreSQL").arg(q(n.linhasGrande)),
                 QStringLiteral("ms"));
        x.valor = ms(Nome::CargaGrandePg, &x.erro);
        x.piso = QStringLiteral("a mesma instrução pela libpq");
        x.valorPiso = ms(Nome::PisoCargaGrandePg, &x.erro);
        x.limite = 1.5;
        f.push_back(x);
    }
    {
        Figura x(QStringLiteral("carga_small"),
                 QStringLiteral("\"&Carregar\" SMALL, base de %1 linhas").arg(q(n.linhasBase)), QStringLiteral("ms"));
        x.valor = ms(Nome::CargaPequenoGrande, &x.erro);
        x.piso = QStringLiteral("o mesmo na base de %1 linhas (+ BIG e SMALL)").arg(q(n.linhasPequena));
        x.valorPiso = ms(Nome::CargaPequenoPequena, &x.erro);
        x.limite = 2;
        f.push_back(x);
    }
    {
        Figura x(QStringLiteral("carga_big_bases"), QStringLiteral("(\"&Carregar\" BIG, base grande / base pequena)"),
                 QStringLiteral("ms"));
        x.valor = ms(Nome::CargaGrande, &x.erro);
        x.piso = QStringLiteral("o mesmo na base pequena");
        x.valorPiso = ms(Nome::CargaGrandePequena, &x.erro);
        x.alvo = A::Nenhum;
        f.push_back(x);
    }
    for (const auto& [nome, id, texto] : {std::tuple{Nome::Marcar, "marcar", "\"&Marcar\" %1 linhas"},
                                          std::tuple{Nome::Desmarcar, "desmarcar", "\"&Desmarcar\" %1 linhas"}}) {
        Figura x(QString::fromLatin1(id), QString::fromUtf8(texto).arg(q(n.linhasGrande)), QStringLiteral("ms"));
        x.valor = ms(nome, &x.erro);
        x.piso = QStringLiteral("\"&Carregar\" dessas linhas");
        x.valorPiso = ms(Nome::CargaGrande, &x.erro);
        x.limite = 0.1;
        f.push_back(x);
    }
    for (const auto& [nome, id, texto] :
         {std::tuple{Nome::Tique, "tique", "marcar uma linha (%1 carregadas)"},
          std::tuple{Nome::Quantidade, "quantidade", "confirmar uma quantidade (%1 carregadas)"}}) {
        Figura x(QString::fromLatin1(id), QString::fromUtf8(texto).arg(q(n.linhasGrande)), QStringLiteral("µs"));
        x.valor = t.contador(nome, "manipulador_us");
        t.tempo(nome, 1, &x.erro);
        x.piso = QStringLiteral("— (no manipulador da janela)");
        x.alvo = A::Absoluto;
        x.limite = 1000;
        x.detalhe =
            QStringLiteral("evento inteiro (vista, delegado, modelo): %1 µs").arg(numero(t.tempo(nome, 1e6), 1));
        f.push_back(x);
    }
    {
        Figura x(QStringLiteral("guia"),
                 QStringLiteral("\"&Guia\" com %1 linhas (ERP local, SQLite)").arg(q(n.linhasGuia)),
                 QStringLiteral("ms"));
        x.valor = ms(Nome::Guia, &x.erro);
        x.piso = QStringLiteral("as mesmas linhas e actualizações numa transacção, API C");
        x.valorPiso = ms(Nome::PisoGuia, &x.erro);
        x.limite = 2;
        f.push_back(x);
    }
    if (medidas.count(Nome::GuiaPg)) {
        // On PostgreSQL: the server's own socket, then through the relay at a
        // link's round trip; the round trips it counted, of the Guia and of
        // its floor, and those of a Guia of 10 lines.
        auto idas = [&](const char* nome) { return numero(t.contador(nome, "idas_e_voltas"), 0); };
        for (const auto& [nome, piso, id, ida, limite] :
             {std::tuple{Nome::GuiaPg, Nome::PisoGuiaPg, "guia_postgresql", 0, 0.0},
              std::tuple{Nome::GuiaPg1, Nome::PisoGuiaPg1, "guia_postgresql_1ms", 1, 0.0},
              std::tuple{Nome::GuiaPg10, Nome::PisoGuiaPg10, "guia_postgresql_10ms", 10, 1.5}}) {
            Figura x(QString::fromLatin1(id),
                     ida ? QStringLiteral("\"&Guia\" com %1 linhas, PostgreSQL, ida e volta de %2 ms")
                               .arg(q(n.linhasGuia))
                               .arg(ida)
                         : QStringLiteral("\"&Guia\" com %1 linhas, PostgreSQL (socket local)").arg(q(n.linhasGuia)),
                     QStringLiteral("ms"));
            x.valor = ms(nome, &x.erro);
            x.piso = QStringLiteral("as mesmas escritas pela libpq numa transacção, em pipeline");
            x.valorPiso = ms(piso, &x.erro);
            if (limite > 0)
                x.limite = limite;
            else
                x.alvo = A::Nenhum;
            if (ida)
                x.detalhe = QStringLiteral("idas e voltas: %1 (piso %2)").arg(idas(nome), idas(piso));
            f.push_back(x);
        }
        Figura x(QStringLiteral("guia_postgresql_10_linhas"),
                 QStringLiteral("\"&Guia\" com 10 linhas, PostgreSQL, ida e volta de 10 ms"), QStringLiteral("ms"));
        x.valor = ms(Nome::GuiaPgCurta, &x.erro);
        x.piso = QStringLiteral("—");
        x.alvo = A::Nenhum;
        x.detalhe = QStringLiteral("idas e voltas: %1").arg(idas(Nome::GuiaPgCurta));
        f.push_back(x);
    }
    for (const auto& [nome, piso, id, texto] :
         {std::tuple{Nome::Pesquisa, Nome::PisoPesquisa, "pesquisa_base_grande", n.clientes},
          std::tuple{Nome::PesquisaMuitos, Nome::PisoPesquisaMuitos, "pesquisa_muitos_clientes", n.muitosClientes}}) {
        Figura x(QString::fromLatin1(id), QStringLiteral("lista \"Clientes\", %1 clientes").arg(q(texto)),
                 QStringLiteral("ms"));
        x.valor = ms(nome, &x.erro);
        const double consulta = ms(piso, &x.erro), dialogo = ms(Nome::PisoDialogo, &x.erro);
        x.piso = QStringLiteral("100 linhas pela API C + um QDialog nu com 100 linhas");
        x.valorPiso = consulta + dialogo;
        x.limite = 1.5;
        x.detalhe = QStringLiteral("consulta %1 ms + diálogo %2 ms").arg(numero(consulta, 3), numero(dialogo, 2));
        f.push_back(x);
    }
    {
        Figura x(QStringLiteral("arranque"), QStringLiteral("arranque até à janela mostrada (sem o login do ERP)"),
                 QStringLiteral("ms"));
        const double total = ms(Nome::Arranque, &x.erro), login = t.contador(Nome::Arranque, "login_ms");
        x.valor = total - login;
        x.piso = QStringLiteral("uma janela Qt nua, mostrada");
        x.valorPiso = ms(Nome::JanelaNua, &x.erro);
        x.limite = 1.5;
        x.detalhe = QStringLiteral("com o login do ERP: %1 ms (login %2 ms)").arg(numero(total, 1), numero(login, 1));
        f.push_back(x);
    }
    {
        Figura x(QStringLiteral("memoria"), QStringLiteral("pico de memória com %1 linhas").arg(q(n.linhasLimite)),
                 QStringLiteral("MiB"));
        x.valor = t.contador(Nome::Memoria, "pico_MiB");
        t.tempo(Nome::Memoria, 1, &x.erro);
        x.piso = QStringLiteral("o pico de uma janela Qt nua");
        x.valorPiso = t.contador(Nome::JanelaNua, "pico_MiB");
        x.alvo = A::Acrescimo;
        x.limite = 48;
        x.detalhe = QStringLiteral("pico no arranque, com o login do ERP: %1 MiB")
                        .arg(numero(t.contador(Nome::Memoria, "pico_arranque_MiB"), 1));
        f.push_back(x);
    }

    // The table.
    const QJsonObject m = maquina();
    std::printf("\nOrlavane %s — %s, %d núcleos, %.0f GiB, Qt %s, SQLite %s\n\n",
                rapido ? "(ensaio rápido: base minúscula, valores sem significado)" : "",
                qPrintable(m.value(QStringLiteral("cpu")).toString()), m.value(QStringLiteral("nucleos")).toInt(),
                m.value(QStringLiteral("memoria_GiB")).toDouble(), qPrintable(m.value(QStringLiteral("qt")).toString()),
                qPrintable(m.value(QStringLiteral("sqlite")).toString()));
    std::printf("| %s | %s | %s | %s | %s | %s |\n", qPrintable(aLargura(QStringLiteral("operação"), 52)),
                qPrintable(aLargura(QStringLiteral("valor"), 12)), qPrintable(aLargura(QStringLiteral("piso"), 12)),
                qPrintable(aLargura(QStringLiteral("razão"), 10)), qPrintable(aLargura(QStringLiteral("alvo"), 12)),
                "ok");
    std::printf("|%s|%s|%s|%s|%s|----|\n", QByteArray(54, '-').constData(), QByteArray(14, '-').constData(),
                QByteArray(14, '-').constData(), QByteArray(12, '-').constData(), QByteArray(14, '-').constData());
    int falhados = 0;
    QJsonArray figuras;
    for (const Figura& x : f) {
        const int casas = x.unidade == QLatin1String("µs") ? 1 : (x.unidade == QLatin1String("MiB") ? 1 : 2);
        // The smoke run's figures say nothing: no verdict on them.
        const std::optional<bool> cumpre = x.cumprido();
        const bool avaliado = !rapido && cumpre.has_value();
        const bool cumprido = avaliado && cumpre.value_or(false);
        if (avaliado && !cumprido)
            ++falhados;
        const QString estado = !x.erro.isEmpty() ? QStringLiteral("ERRO")
                               : !avaliado       ? QString()
                               : cumprido        ? QStringLiteral("sim")
                                                 : QStringLiteral("NÃO");
        std::printf("| %s | %s | %s | %s | %s | %s |\n", qPrintable(aLargura(x.descricao, 52)),
                    qPrintable(aLargura(numero(x.valor, casas) + QLatin1Char(' ') + x.unidade, 12)),
                    qPrintable(aLargura(x.alvo == Figura::Alvo::Absoluto
                                            ? QStringLiteral("—")
                                            : numero(x.valorPiso, casas) + QLatin1Char(' ') + x.unidade,
                                        12)),
                    qPrintable(aLargura(x.textoComparacao(), 10)), qPrintable(aLargura(x.textoAlvo(), 12)),
                    qPrintable(estado));
        QJsonObject o;
        o[QStringLiteral("id")] = x.id;
        o[QStringLiteral("operacao")] = x.descricao;
        o[QStringLiteral("unidade")] = x.unidade;
        o[QStringLiteral("valor")] = std::isnan(x.valor) ? QJsonValue() : QJsonValue(x.valor);
        o[QStringLiteral("piso")] = x.piso;
        o[QStringLiteral("valor_piso")] = std::isnan(x.valorPiso) ? QJsonValue() : QJsonValue(x.valorPiso);
        const auto c = x.comparacao();
        o[QStringLiteral("comparacao")] = c ? QJsonValue(*c) : QJsonValue();
        o[QStringLiteral("alvo")] = x.textoAlvo();
        o[QStringLiteral("cumprido")] = avaliado ? QJsonValue(cumprido) : QJsonValue();
        if (!x.detalhe.isEmpty())
            o[QStringLiteral("detalhe")] = x.detalhe;
        if (!x.erro.isEmpty())
            o[QStringLiteral("erro")] = x.erro;
        figuras.append(o);
    }
    std::printf("\n");
    for (const Figura& x : f) {
        if (!x.detalhe.isEmpty())
            std::printf("  %s: %s\n", qPrintable(x.descricao), qPrintable(x.detalhe));
        if (!x.erro.isEmpty())
            std::printf("  %s: ERRO %s\n", qPrintable(x.descricao), qPrintable(x.erro));
    }

    std::printf("\nPlanos da instrução de \"&Carregar\":\n");
    for (auto i = planos.begin(); i != planos.end(); ++i) {
        std::printf("  %s\n", qPrintable(i.key()));
        for (const QJsonValue& l : i.value().toArray())
            std::printf("    %s\n", qPrintable(l.toString()));
    }

    QJsonObject brutas;
    for (const auto& [nome, me] : medidas) {
        QJsonObject o;
        o[QStringLiteral("mediana_ms")] = me.mediana * 1e3;
        o[QStringLiteral("minimo_ms")] = me.minimo * 1e3;
        o[QStringLiteral("cv")] = me.cv;
        o[QStringLiteral("repeticoes")] = me.repeticoes;
        for (const auto& [c, v] : me.contadores)
            o[QString::fromStdString(c)] = v;
        if (!me.erro.isEmpty())
            o[QStringLiteral("erro")] = me.erro;
        brutas[QString::fromStdString(nome)] = o;
    }
    QJsonObject raiz;
    raiz[QStringLiteral("maquina")] = m;
    raiz[QStringLiteral("modo")] = rapido ? QStringLiteral("rapido") : QStringLiteral("completo");
    raiz[QStringLiteral("figuras")] = figuras;
    raiz[QStringLiteral("planos")] = planos;
    raiz[QStringLiteral("medidas")] = brutas;
    QFile saida(json);
    if (!json.isEmpty()) {
        if (saida.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            saida.write(QJsonDocument(raiz).toJson());
            std::printf("\nResultados em %s\n", qPrintable(json));
        } else {
            std::fprintf(stderr, "Não foi possível escrever %s\n", qPrintable(json));
        }
    }
    return falhados;
}

} // namespace Bench
