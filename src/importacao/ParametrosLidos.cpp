#include "ParametrosLidos.h"

#include "DesenhoGuia.h"
#include "Erro.h"
#include "Parametros.h"

#include <algorithm>
#include <optional>

namespace Parametros {

namespace {

std::optional<qint64> inteiro(const QString& texto) {
    bool ok = false;
    const qint64 v = texto.toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

std::optional<qint16> inteiro16(const QString& texto) {
    const auto v = inteiro(texto);
    if (!v || *v < -32768 || *v > 32767)
        return std::nullopt;
    return static_cast<qint16>(*v);
}

bool temControlo(const QString& item) {
    return std::any_of(item.cbegin(), item.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

Lidos interpretar(const QString& caminho, const QString& encomendas, const QString& guias, const QString& entradas) {
    auto recusar = [&](const QString& motivo) {
        throw Erro(Erro::Parametros, QStringLiteral("O ficheiro de parâmetros \"%1\": %2").arg(caminho, motivo));
    };
    const QStringList enc = dividir(encomendas), gui = dividir(guias), ent = dividir(entradas);
    // Control characters are junk in a type, a series or a text, and a NUL
    // would break every statement on PostgreSQL.
    const std::pair<const char*, const QStringList*> listas[] = {
        {"ENCOMENDAS", &enc}, {"GUIAS", &gui}, {"ENTRADAS", &ent}};
    for (const auto& [chave, lista] : listas)
        if (std::any_of(lista->cbegin(), lista->cend(), temControlo))
            recusar(
                QStringLiteral("a chave %1 tem caracteres de controlo; não parece texto.").arg(QLatin1String(chave)));

    Lidos p;
    if (enc.size() < 2)
        recusar(QStringLiteral("a chave ENCOMENDAS deve ter pelo menos um par tipo,série (tem %1 elemento(s)).")
                    .arg(enc.size()));
    for (qsizetype i = 0; i + 1 < enc.size(); i += 2) {
        const auto serie = inteiro(enc.at(i + 1));
        if (!serie)
            recusar(QStringLiteral("a série \"%1\" da chave ENCOMENDAS não é um número inteiro.").arg(enc.at(i + 1)));
        p.encomendas.push_back({enc.at(i), *serie});
    }

    if (gui.size() < 4)
        recusar(
            QStringLiteral("a chave GUIAS deve ter 4 elementos (tipo,série,sector,armazém); tem %1.").arg(gui.size()));
    const auto serieGuia = inteiro16(gui.at(1));
    if (!serieGuia)
        recusar(QStringLiteral("a série \"%1\" da chave GUIAS não é um número inteiro entre -32768 e 32767.")
                    .arg(gui.at(1)));
    p.guia = ParametrosGuia{gui.at(0), gui.at(1), *serieGuia, gui.at(2), gui.at(3)};

    if (ent.size() < 5)
        recusar(
            QStringLiteral("a chave ENTRADAS deve ter 5 elementos (tipo,série,texto,texto,factor de preço); tem %1.")
                .arg(ent.size()));
    // A sixth item is most likely a price factor written with a comma ("0,1").
    if (ent.size() > 5)
        recusar(QStringLiteral("a chave ENTRADAS deve ter 5 elementos (tipo,série,texto,texto,factor de preço); "
                               "tem %1. O factor de preço escreve-se com \".\" (0.1, não 0,1).")
                    .arg(ent.size()));
    const auto serieEntrada = inteiro16(ent.at(1));
    if (!serieEntrada)
        recusar(QStringLiteral("a série \"%1\" da chave ENTRADAS não é um número inteiro entre -32768 e 32767.")
                    .arg(ent.at(1)));
    const auto factor = FactorPreco::ler(ent.at(4));
    if (!factor)
        recusar(QStringLiteral("o factor de preço \"%1\" da chave ENTRADAS deve ser um número decimal escrito com "
                               "\".\" (até %2 casas decimais), de 0 a menos de 1: 0.1 para 10% a menos.")
                    .arg(ent.at(4), QString::number(FactorPreco::CasasMaximas)));
    p.entrada = ParametrosEntrada{ent.at(0), *serieEntrada, ent.at(2), ent.at(3), *factor};
    return p;
}

int interpretarCopias(const QString& caminho, const QString& valor) {
    const QString v = valor.trimmed();
    if (v.isEmpty())
        return CopiasPorOmissao;
    const auto copias = inteiro(v);
    if (!copias || *copias < 1 || *copias > DesenhoGuia::MaximoCopias)
        throw Erro(Erro::Parametros,
                   QStringLiteral("O ficheiro de parâmetros \"%1\": a chave %2 deve ser um número inteiro de 1 a %3 "
                                  "(as cópias de cada impressão da guia); tem \"%4\".")
                       .arg(caminho, ChaveCopias, QString::number(DesenhoGuia::MaximoCopias), v));
    return static_cast<int>(*copias);
}

} // namespace Parametros
