// The real message boxes: what each box and form shows, and what the
// operator's answer gives back.

#include "MensagensQt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

/// Runs `accao` on the modal window as soon as it is shown (the box runs its
/// own event loop, so the test acts from a timer).
void quandoModal(std::function<void(QWidget*)> accao) {
    auto* relogio = new QTimer(qApp);
    QObject::connect(relogio, &QTimer::timeout, relogio, [relogio, accao] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        relogio->stop();
        relogio->deleteLater();
        accao(modal);
    });
    relogio->start(5);
}

} // namespace

class tst_MensagensQt final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void caixa_data() {
        QTest::addColumn<int>("botoes");
        QTest::addColumn<int>("icone");
        QTest::addColumn<int>("premido");
        QTest::addColumn<int>("resposta");
        QTest::addColumn<int>("iconeQt");
        QTest::newRow("ok") << int(Mensagens::Botoes::Ok) << int(Mensagens::Icone::Informacao) << int(QMessageBox::Ok)
                            << int(Mensagens::RespostaOk) << int(QMessageBox::Information);
        QTest::newRow("cancelar") << int(Mensagens::Botoes::OkCancelar) << int(Mensagens::Icone::Aviso)
                                  << int(QMessageBox::Cancel) << int(Mensagens::RespostaCancelar)
                                  << int(QMessageBox::Warning);
        QTest::newRow("sim") << int(Mensagens::Botoes::SimNao) << int(Mensagens::Icone::Critico)
                             << int(QMessageBox::Yes) << int(Mensagens::RespostaSim) << int(QMessageBox::Critical);
        QTest::newRow("nao") << int(Mensagens::Botoes::SimNao) << int(Mensagens::Icone::Nenhum) << int(QMessageBox::No)
                             << int(Mensagens::RespostaNao) << int(QMessageBox::NoIcon);
    }

    void caixa() {
        QFETCH(int, botoes);
        QFETCH(int, icone);
        QFETCH(int, premido);
        QFETCH(int, resposta);
        QFETCH(int, iconeQt);
        QString titulo;
        QString texto;
        int mostrado = -1;
        QMessageBox::StandardButtons padroes;
        QMessageBox::StandardButton omissao = QMessageBox::NoButton;
        quandoModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                modal->close();
                return;
            }
            titulo = box->windowTitle();
            texto = box->text();
            mostrado = box->icon();
            padroes = box->standardButtons();
            omissao = box->standardButton(box->defaultButton());
            box->button(static_cast<QMessageBox::StandardButton>(premido))->click();
        });
        MensagensQt m;
        const int r = m.caixa(QStringLiteral("Informação"), QStringLiteral("Valor inválido!"),
                              static_cast<Mensagens::Botoes>(botoes), static_cast<Mensagens::Icone>(icone));
        QCOMPARE(r, resposta);
        QCOMPARE(titulo, QStringLiteral("Informação"));
        QCOMPARE(texto, QStringLiteral("Valor inválido!"));
        QCOMPARE(mostrado, iconeQt);
        if (static_cast<Mensagens::Botoes>(botoes) == Mensagens::Botoes::OkCancelar) {
            QCOMPARE(padroes, QMessageBox::Ok | QMessageBox::Cancel);
            QCOMPARE(omissao, QMessageBox::Cancel);
        }
    }

    void formulario() {
        const QStringList rotulos{QStringLiteral("Utilizador"), QStringLiteral("Palavra-passe")};
        for (const bool aceitar : {true, false}) {
            QList<QLineEdit::EchoMode> ecos;
            QStringList mostrados;
            quandoModal([&](QWidget* modal) {
                const QList<QLineEdit*> campos = modal->findChildren<QLineEdit*>();
                auto* caixa = modal->findChild<QDialogButtonBox*>();
                if (campos.size() != 2 || !caixa) {
                    modal->close();
                    return;
                }
                for (QLineEdit* c : campos) {
                    ecos << c->echoMode();
                    mostrados << c->text();
                    c->setText(c->text() + QStringLiteral("!"));
                }
                caixa->button(aceitar ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            });
            QStringList valores{QStringLiteral("demo"), QStringLiteral("segredo")};
            MensagensQt m;
            QCOMPARE(m.pedirValores(QStringLiteral("Ligação ao ERP"), rotulos, valores, {1}), aceitar);
            QCOMPARE(mostrados, QStringList({QStringLiteral("demo"), QStringLiteral("segredo")}));
            QCOMPARE(ecos, QList<QLineEdit::EchoMode>({QLineEdit::Normal, QLineEdit::Password}));
            QCOMPARE(valores, aceitar ? QStringList({QStringLiteral("demo!"), QStringLiteral("segredo!")})
                                      : QStringList({QStringLiteral("demo"), QStringLiteral("segredo")}));
        }
    }

    void terminarSaiDoCicloComOCodigo() {
        // The application's own loop, as main() runs it.
        QTimer::singleShot(0, [] { MensagensQt().terminar(4); });
        QCOMPARE(QApplication::exec(), 4);
    }
};

QTEST_MAIN(tst_MensagensQt)
#include "tst_mensagensqt.moc"
