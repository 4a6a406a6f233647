#include "RegistoCorridas.h"

#include "Erro.h"
#include "FicheirosEstado.h"

#include <fcntl.h>

namespace {

QString escapar(const QString& texto) {
    QString r;
    r.reserve(texto.size());
    for (const QChar c : texto) {
        switch (c.unicode()) {
        case '\\':
            r += QStringLiteral("\\\\");
            break;
        case '\t':
            r += QStringLiteral("\\t");
            break;
        case '\n':
            r += QStringLiteral("\\n");
            break;
        case '\r':
            r += QStringLiteral("\\r");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                r += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                r += c;
        }
    }
    return r;
}

QString chaves(std::initializer_list<const std::optional<ChaveDocumento>*> lista) {
    QStringList r;
    for (const auto* c : lista)
        if (*c)
            r << textoChave(**c);
    return r.join(QLatin1Char(','));
}

/// "2026-03-05 10:11:12+01:00": local time, with its offset so that lines
/// written on both sides of a clock change still order and compare.
QString horaLocal(const QDateTime& hora) {
    const QDateTime local = hora.toLocalTime();
    const int desvio = local.offsetFromUtc() / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(desvio < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(qAbs(desvio) / 60, 2, 10, QLatin1Char('0'))
               .arg(qAbs(desvio) % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

RegistoCorridas::RegistoCorridas(const QString& caminho)
    : m_caminho(caminho.isEmpty() ? FicheirosEstado::pasta() + QStringLiteral("/corridas.log") : caminho) {}

QByteArray RegistoCorridas::linha(const RegistoCorrida& r) {
    const FimCorrida& f = r.fim;
    QString desfecho, feitos, anulados, listados;
    switch (f.tipo) {
    case FimCorrida::Tipo::GuiaFeita:
        desfecho = QStringLiteral("guia");
        feitos = chaves({&f.entrada, &f.guia});
        break;
    case FimCorrida::Tipo::EntradaAnulada:
        desfecho = QStringLiteral("entrada-anulada");
        feitos = anulados = chaves({&f.entrada});
        break;
    case FimCorrida::Tipo::EntradaListada:
        desfecho = QStringLiteral("entrada-por-anular");
        feitos = listados = chaves({&f.entrada});
        break;
    case FimCorrida::Tipo::NadaGuardado:
        desfecho = QStringLiteral("nada");
        break;
    }
    const QList<std::pair<const char*, QString>> campos{
        {"origem", r.recuperacao ? QStringLiteral("recuperacao") : QStringLiteral("corrida")},
        {"utilizador", r.utilizador},
        {"posto", r.posto},
        {"cliente", r.cliente},
        {"desfecho", desfecho},
        {"feitos", feitos},
        {"anulados", anulados},
        {"listados", listados},
        {"erro", f.erro},
    };
    QString t = horaLocal(r.hora);
    for (const auto& [nome, valor] : campos)
        t += QLatin1Char('\t') + QLatin1String(nome) + QLatin1Char('=') + escapar(valor);
    return t.toUtf8();
}

bool RegistoCorridas::registar(const RegistoCorrida& r) const {
    try {
        if (m_caminho.startsWith(FicheirosEstado::pasta() + QLatin1Char('/')))
            FicheirosEstado::criarPasta();
        const FicheirosEstado::Descritor d = FicheirosEstado::abrir(m_caminho, O_WRONLY | O_CREAT | O_APPEND,
                                                                    QStringLiteral("abrir o registo das execuções"));
        FicheirosEstado::escreverTudo(d, linha(r) + '\n', QStringLiteral("escrever no registo das execuções"),
                                      m_caminho);
        return true;
    } catch (const Erro&) {
        return false;
    }
}
