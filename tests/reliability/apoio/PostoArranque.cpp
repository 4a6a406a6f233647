#include "PostoArranque.h"

#include "Configuracao.h"
#include "ErpLocal.h"
#include "Esquema.h"
#include "Guarda.h"
#include "LigacaoBd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

PostoArranque::PostoArranque(Motor motor, const QString& passwordErp) : base(motor), passwordErp(passwordErp) {
    qputenv("XDG_STATE_HOME", QFile::encodeName(estado.path()));
    base.dadosBase();
    base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
    Esquema::definirUtilizadorErp(base.db(), QStringLiteral("op"), passwordErp);
    escrever(parametros(), ParametrosBons);
    configurar(erp(), bd());
}

PostoArranque::~PostoArranque() {
    programa.fechar();
}

std::array<QString, 5> PostoArranque::erp() const {
    return {QStringLiteral("op"), passwordErp, QStringLiteral("DEMO"), base.textoLigacao(), QStringLiteral("posto1")};
}

std::array<QString, 4> PostoArranque::bd() const {
    const TextoLigacao t = TextoLigacao::analisar(base.textoLigacao());
    if (t.driver == QLatin1String("QSQLITE"))
        return {QStringLiteral("sqlite"), t.base, QStringLiteral("op"), QString()};
    return {t.host + QStringLiteral(":%1").arg(t.porta), t.base, t.utilizador, t.password};
}

void PostoArranque::configurar(const std::array<QString, 5>& e, const std::array<QString, 4>& d) {
    escreverConfiguracao(configuracao(), e, d);
}

void PostoArranque::escrever(const QString& caminho, const QByteArray& conteudo) {
    QDir().mkpath(QFileInfo(caminho).path());
    QFile f(caminho);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(conteudo) != conteudo.size())
        qFatal("cannot write %s", qPrintable(caminho));
}

void PostoArranque::arrancar() {
    guarda([this] {
        programa = Arranque::Main(guarda, pastas, [this] {
            auto erp = std::make_unique<ErpLocal>();
            erpLocal = erp.get();
            return erp;
        });
    });
}
