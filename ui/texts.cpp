#include "ui/texts.h"

#include "model/state.h"

namespace torv {

namespace {

using T = Text;

// clang-format off
constexpr TextRow kTexts[] = {
    {T::StartUnread,
        "Поле «%1»: '%2' не является числом. Расчёт не запущен: исправьте поле и снова нажмите START",
        "Feld „%1“: '%2' ist keine gültige Zahl. Nichts wurde berechnet: bitte das Feld korrigieren und START erneut drücken",
        "Field \"%1\": '%2' is not a valid floating point value. Nothing was run: correct the field and press START again"},

    {T::RunTitle,         "Расчёт", "Berechnung", "Calculation"},
    {T::RunPass1,         "Проход 1 из 2: определяется длительность полёта", "Durchlauf 1 von 2: die Flugdauer wird ermittelt", "Pass 1 of 2: finding how long the flight lasts"},
    {T::RunPass2,         "Проход 2 из 2: запись 500 точек", "Durchlauf 2 von 2: 500 Messpunkte werden aufgezeichnet", "Pass 2 of 2: recording 500 samples"},
    {T::RunTime1,         "Модельное время: %1 с", "Simulierte Zeit: %1 s", "Simulated time: %1 s"},
    {T::RunTime2,         "Модельное время: %1 с из %2 с", "Simulierte Zeit: %1 s von %2 s", "Simulated time: %1 s of %2 s"},
    {T::RunCancel,        "Отмена", "Abbrechen", "Cancel"},
    {T::RunCancelled,     "Расчёт прерван", "Die Berechnung wurde abgebrochen", "The run was cancelled"},
    {T::RunCancelledFirst, "Расчёт прерван. Файл Torv_500.txt не изменён.",
                          "Die Berechnung wurde abgebrochen. Torv_500.txt ist unverändert.",
                          "The run was cancelled. Torv_500.txt is unchanged."},
    {T::RunCancelledKept, "Расчёт прерван. График, файл Torv_500.txt, экспорт и проверка шага по-прежнему относятся к последнему завершённому расчёту.",
                          "Die Berechnung wurde abgebrochen. Grafik, Torv_500.txt, Export und Schrittweitenprüfung gehören weiter zum letzten vollständigen Lauf.",
                          "The run was cancelled. The graph, Torv_500.txt, the export and the step check still belong to the last complete run."},
    {T::RunNonPositiveStep, "Шаг интегрирования должен быть положительным числом",
                          "Der Integrationsschritt muss eine positive Zahl sein",
                          "The integration step must be a positive number"},
    {T::RunTooManySteps,  "Полёту нужно больше 100000000 шагов интегрирования; выберите шаг побольше",
                          "Der Flug braucht mehr als 100000000 Integrationsschritte; bitte einen größeren Schritt wählen",
                          "The flight needs more than 100000000 integration steps; choose a larger integration step"},

    {T::MenuSaveGraph,    "Сохранить график в PNG…", "Grafik als PNG speichern…", "Save graph as PNG…"},
    {T::MenuCopyGraph,    "Копировать график", "Grafik kopieren", "Copy graph"},
    {T::MenuExportCsv,    "Экспорт данных в CSV…", "Daten als CSV exportieren…", "Export data as CSV…"},
    {T::MenuCheckStep,    "Проверить шаг (пересчёт с шагом dt0/2 и dt0/4)", "Schrittweite prüfen (mit dt0/2 und dt0/4 neu rechnen)", "Check the step (run again at dt0/2 and dt0/4)"},
    {T::MenuKeepRun,      "Сохранить расчёт для сравнения", "Diesen Lauf zum Vergleich behalten", "Keep this run"},
    {T::MenuClearKept,    "Удалить сохранённые расчёты", "Behaltene Läufe entfernen", "Clear kept runs"},
    {T::MenuMarkEvents,   "Отмечать события полёта", "Flugereignisse markieren", "Mark flight events"},
    {T::MenuHelp,         "Справка", "Hilfe", "Help"},
    {T::MenuAbout,        "О программе Torv", "Über Torv", "About Torv"},

    {T::WhyNoGraph,       "Графика ещё нет: нажмите START", "Noch keine Grafik: bitte START drücken", "No graph yet: press START"},
    {T::WhyRunFailed,     "Последний расчёт не завершился: исправьте данные и снова нажмите START",
                          "Der letzte Lauf wurde nicht beendet: bitte die Daten korrigieren und START erneut drücken",
                          "The last run did not finish: correct the data and press START again"},
    {T::WhyKeptAlready,   "Этот расчёт уже сохранён", "Dieser Lauf wird schon behalten", "This run is kept already"},
    {T::WhyKeptFull,      "Сохранено уже восемь расчётов: сначала удалите их", "Acht Läufe werden schon behalten: bitte zuerst entfernen", "Eight runs are kept already: clear them first"},
    {T::WhyNoneKept,      "Сохранённых расчётов нет", "Es werden keine Läufe behalten", "No run is kept"},

    {T::FilterPng,        "Рисунки PNG (*.png)", "PNG-Bilder (*.png)", "PNG pictures (*.png)"},
    {T::FilterCsv,        "Таблицы CSV (*.csv)", "CSV-Tabellen (*.csv)", "CSV tables (*.csv)"},

    {T::CheckTitle,              "Проверка шага", "Schrittweite prüfen", "Check the step"},
    {T::CheckQuantity,           "Величина", "Größe", "Quantity"},
    {T::CheckRatio,              "Отношение разностей", "Verhältnis der Differenzen", "Ratio of differences"},
    {T::CheckError,              "Оценка погрешности при dt0", "Geschätzter Fehler bei dt0", "Estimated error at dt0"},
    {T::CheckExtrapolated,       "Экстраполяция 2·y(dt0/4) − y(dt0/2)", "Extrapoliert 2·y(dt0/4) − y(dt0/2)", "Extrapolated 2·y(dt0/4) − y(dt0/2)"},
    {T::CheckFailed,             "Расчёт с шагом %1 не удался: ", "Der Lauf mit %1 ist gescheitert: ", "The run at %1 failed: "},
    {T::CheckFlightTime,         "Время полёта, с", "Flugzeit, s", "Flight time, s"},
    {T::CheckRange,              "Дальность, м", "Reichweite, m", "Range, m"},
    {T::CheckMaxAltitude,        "Наибольшая высота, м", "Größte Höhe, m", "Greatest altitude, m"},
    {T::CheckEndSpeed,           "Конечная скорость, м/с", "Geschwindigkeit am Ende, m/s", "Speed at the end, m/s"},
    {T::CheckMaxLoadFactor,      "Наибольшая перегрузка |nx|, g", "Größtes Lastvielfaches |nx|, g", "Greatest load factor |nx|, g"},
    {T::CheckMaxDynamicPressure, "Наибольший скоростной напор, Па", "Größter Staudruck, Pa", "Greatest dynamic pressure, Pa"},
    {T::CheckEndPathAngle,       "Конечный угол наклона траектории, °", "Bahnwinkel am Ende, °", "Path angle at the end, °"},
    {T::CheckMaxDeceleration,    "Наибольшее приложенное торможение, g", "Größte aufgebrachte Verzögerung, g", "Greatest applied deceleration, g"},
    {T::CheckCoarse,
        "Наибольшая оценка погрешности при dt0 — у «%1»: %2. Шаг в %3 раза крупнее нужного для %4; при dt0 = %5 с погрешность будет меньше.",
        "Den größten geschätzten Fehler bei dt0 hat „%1“: %2. Der Schritt ist %3-mal zu grob für %4; dt0 = %5 s hält das ein.",
        "“%1” has the largest estimated error at dt0: %2. The step is %3 times too coarse for %4; dt0 = %5 s meets it."},
    {T::CheckFine,
        "Все величины установились; наибольшая оценка погрешности при dt0 — у «%1»: %2, меньше %3.",
        "Alle Größen haben sich eingependelt; den größten geschätzten Fehler bei dt0 hat „%1“: %2, unter %3.",
        "Every quantity has settled; “%1” has the largest estimated error at dt0, %2, below %3."},
    {T::CheckUnsettled,
        "«%1» при этом шаге ещё не установилась (%2): её погрешность, экстраполяцию и подходящий шаг указать нельзя. Кнопка «Сойтись» уменьшает шаг, пока величины не установятся.",
        "„%1“ hat sich bei diesem Schritt nicht eingependelt (%2): Fehler, Extrapolation und ein passender Schritt lassen sich nicht angeben. „Konvergieren“ verkleinert den Schritt, bis die Größen sich einpendeln.",
        "“%1” has not settled at this step (%2): no error, extrapolation or step can be given for it. Converge halves the step until the quantities settle."},
    {T::CheckNotYet,
        "ещё не первый порядок", "noch nicht erster Ordnung", "not yet first order"},
    {T::CheckNotConvergent,
        "не сходится при этих шагах", "konvergiert bei diesen Schritten nicht", "not convergent at these steps"},
    {T::CheckBelow,
        "меньше %1", "unter %1", "below %1"},
    {T::CheckNoneChanges,
        "При уменьшении шага ни одна величина не меняется на %1 или больше.",
        "Beim kleineren Schritt ändert sich keine Größe um %1 oder mehr.",
        "No quantity changes by %1 or more as the step halves."},
    {T::CheckMethod,
        "Метод Эйлера имеет первый порядок лишь при достаточно малом шаге. Проверка считает с шагами dt0, dt0/2 и dt0/4 и судит о порядке по отношению последовательных разностей: только если оно между 1,6 и 2,5, погрешность уменьшается пропорционально шагу, и проверка оценивает её и экстраполирует. Относительные разности берутся не менее чем от %1.",
        "Das Euler-Verfahren ist erst bei hinreichend kleinem Schritt erster Ordnung. Die Prüfung rechnet mit dt0, dt0/2 und dt0/4 und liest die Ordnung am Verhältnis der aufeinanderfolgenden Differenzen ab: nur wenn es zwischen 1,6 und 2,5 liegt, sinkt der Fehler proportional zum Schritt, und nur dann schätzt sie ihn und extrapoliert. Relative Differenzen werden gegen mindestens %1 gebildet.",
        "Euler's method is of first order only once the step is small enough. The check runs dt0, dt0/2 and dt0/4 and reads the order from the ratio of successive differences: only where it lies between 1.6 and 2.5 does the error shrink in proportion to the step, and only there does the check estimate it and extrapolate. Relative differences are taken against at least %1."},
    {T::CheckReentryNote,
        "Спускаемый аппарат: его уравнения прикладывают торможение, вдвое большее показанной nx; для нагрузок смотрите приложенное торможение.",
        "Wiedereintrittskörper: seine Gleichungen bringen die doppelte Verzögerung des gezeigten nx auf; für Lasten gilt die aufgebrachte Verzögerung.",
        "Reentry vehicle: its equations apply twice the deceleration that nx shows; for loads, read the applied deceleration."},
    {T::CheckSamples,
        "Заполнено точек из 500: %1 при dt0, %2 при dt0/2, %3 при dt0/4.",
        "Belegte Messpunkte von 500: %1 bei dt0, %2 bei dt0/2, %3 bei dt0/4.",
        "Sample slots filled of 500: %1 at dt0, %2 at dt0/2, %3 at dt0/4."},
    {T::CheckConverge,    "Сойтись…", "Konvergieren…", "Converge…"},
    {T::ConvergeTitle,    "Сошедшиеся значения", "Konvergierte Werte", "Converged values"},
    {T::ConvergeValue,    "При шаге", "Beim Schritt", "At the step"},
    {T::ConvergeExtrapolated, "Экстраполяция по двум последним шагам", "Extrapoliert aus den letzten beiden Schritten", "Extrapolated from the last two steps"},
    {T::ConvergeDone,
        "Все величины установились с оценкой погрешности меньше %1 при dt0 = %2 с (%3 с счёта).",
        "Alle Größen haben sich mit einem geschätzten Fehler unter %1 eingependelt, bei dt0 = %2 s (%3 s Rechenzeit).",
        "Every quantity has settled with an estimated error below %1 at dt0 = %2 s (%3 s of computing)."},
    {T::ConvergeBudget,
        "Не сошлось за отведённые %1 с: следующее уменьшение шага заняло бы больше. Достигнуто при dt0 = %2 с.",
        "Nicht konvergiert innerhalb der vorgesehenen %1 s: der nächste kleinere Schritt bräuchte länger. Erreicht bei dt0 = %2 s.",
        "Did not converge within the budget of %1 s: the next halving would take longer. Reached at dt0 = %2 s."},
    {T::ConvergeSteps,
        "Не сошлось: следующему уменьшению шага нужно больше 100000000 шагов. Достигнуто при dt0 = %1 с.",
        "Nicht konvergiert: der nächste kleinere Schritt bräuchte mehr als 100000000 Schritte. Erreicht bei dt0 = %1 s.",
        "Did not converge: the next halving needs more than 100000000 steps. Reached at dt0 = %1 s."},
    {T::ConvergeFailed,
        "Не сошлось: расчёт с меньшим шагом не удался (%1). Достигнуто при dt0 = %2 с.",
        "Nicht konvergiert: der Lauf mit kleinerem Schritt ist gescheitert (%1). Erreicht bei dt0 = %2 s.",
        "Did not converge: the run at a smaller step failed (%1). Reached at dt0 = %2 s."},
    {T::ConvergeCancelled,
        "Прервано. Достигнуто при dt0 = %1 с.",
        "Abgebrochen. Erreicht bei dt0 = %1 s.",
        "Cancelled. Reached at dt0 = %1 s."},
    {T::ConvergeMissing,
        "Не достигли %1: %2.",
        "%1 nicht erreicht: %2.",
        "Not within %1: %2."},
    {T::ConvergeRun,      "Рассчитать с этим шагом", "Mit diesem Schritt rechnen", "Run at this step"},
    {T::NoticeCoarse,
        "Проверка шага: оценка погрешности «%1» — %2, шаг в %3 раза крупнее нужного для %4.",
        "Schrittweitenprüfung: „%1“ hat einen geschätzten Fehler von %2; der Schritt ist %3-mal zu grob für %4.",
        "Step check: “%1” has an estimated error of %2; the step is %3 times too coarse for %4."},
    {T::NoticeUnsettled,
        "Проверка шага: «%1» при этом шаге ещё не установилась, её погрешность неизвестна.",
        "Schrittweitenprüfung: „%1“ hat sich bei diesem Schritt nicht eingependelt, ihr Fehler ist unbekannt.",
        "Step check: “%1” has not settled at this step; its error is unknown."},
    {T::NoticeFailed,
        "Проверка шага: расчёт с меньшим шагом не удался.",
        "Schrittweitenprüfung: der Lauf mit kleinerem Schritt ist gescheitert.",
        "Step check: the run at a smaller step failed."},
    {T::NoticeOffer,
        "Расчёт занял %1 с, шаг не проверялся.",
        "Der Lauf dauerte %1 s, seine Schrittweite wurde nicht geprüft.",
        "The run took %1 s, so its step was not checked."},
    {T::NoticeSamples,
        "Заполнено только %1 из 500 точек; остальные хранят значения прежнего расчёта.",
        "Nur %1 der 500 Messpunkte wurden belegt; die übrigen behalten Werte eines früheren Laufs.",
        "Only %1 of the 500 sample slots were filled; the others keep an earlier run's values."},
    {T::NoticePartCovered,
        "500 точек охватывают только первые %1 с полёта длительностью %2 с: шаг так мал, что записан каждый шаг; графики и Torv_500.txt показывают лишь начало.",
        "Die 500 Messpunkte decken nur die ersten %1 s des %2 s langen Flugs ab: der Schritt ist so klein, dass jeder Schritt aufgezeichnet wurde; die Grafiken und Torv_500.txt zeigen nur den Anfang.",
        "The 500 samples cover only the first %1 s of the %2 s flight: the step is so small that every step was recorded; the graphs and Torv_500.txt show its start alone."},
    {T::NoticeTable,      "Таблица: щёлкните здесь или %1.", "Tabelle: hier klicken oder %1.", "Table: click here or %1."},
    {T::NoticeCheck,      "Проверить: щёлкните здесь или %1.", "Prüfen: hier klicken oder %1.", "Check it: click here or %1."},

    {T::ScenarioOpen,     "Открыть сценарий…", "Szenario öffnen…", "Open scenario…"},
    {T::ScenarioSave,     "Сохранить сценарий…", "Szenario speichern…", "Save scenario…"},
    {T::ScenarioRecent,   "Последние сценарии", "Zuletzt geöffnete Szenarien", "Recent scenarios"},
    {T::ScenarioNoRecent, "(нет)", "(keine)", "(none)"},
    {T::ScenarioFilter,   "Сценарии Torv (*.toml)", "Torv-Szenarien (*.toml)", "Torv scenarios (*.toml)"},
    {T::ScenarioGone,
        "Файла сценария %1 больше нет; он удалён из списка",
        "Die Szenariodatei %1 gibt es nicht mehr; sie wurde aus der Liste genommen",
        "The scenario file %1 no longer exists; it was taken off the list"},
    {T::ScenarioReadFailed,
        "Сценарий %1 не удалось прочитать: %2",
        "Das Szenario %1 kann nicht gelesen werden: %2",
        "Cannot read the scenario %1: %2"},
    {T::SaveUnreadField,
        "Поле «%1»: '%2' не является числом. Сценарий не сохранён: исправьте поле",
        "Feld „%1“: '%2' ist keine gültige Zahl. Das Szenario wurde nicht gespeichert: bitte das Feld korrigieren",
        "Field \"%1\": '%2' is not a valid floating point value. The scenario was not saved: correct the field first"},
    {T::SaveNoClass,
        "Класс аппарата не выбран: сначала выберите пример или откройте сценарий",
        "Keine Fahrzeugklasse: bitte zuerst ein Beispiel wählen oder ein Szenario öffnen",
        "No vehicle class: choose a preset or open a scenario first"},

    {T::StartOutOfView,   "START и команды находятся правее: щёлкните здесь, чтобы прокрутить к ним",
                          "START und die Befehle liegen weiter rechts: hier klicken, um dorthin zu blättern",
                          "START and the commands lie further right: click here to scroll to them"},

    {T::FileWriteFailed,  "Не удалось записать %1: %2", "%1 kann nicht geschrieben werden: %2", "Cannot write %1: %2"},
    {T::FileReadFailed,   "Не удалось прочитать %1: %2", "%1 kann nicht gelesen werden: %2", "Cannot read %1: %2"},
    {T::FileFolderFailed, "Не удалось создать папку %1: %2", "Der Ordner %1 kann nicht angelegt werden: %2", "Cannot create the folder %1: %2"},
    {T::FileRunKept,      "График, файл Torv_500.txt, экспорт и проверка шага по-прежнему относятся к последнему завершённому расчёту",
                          "Grafik, Torv_500.txt, Export und Schrittweitenprüfung gehören weiter zum letzten vollständigen Lauf",
                          "The graph, Torv_500.txt, the export and the step check still belong to the last complete run"},
    {T::ReasonNoSpace,    "на диске нет места", "auf dem Datenträger ist kein Platz mehr", "no space left on the disk"},
    {T::ReasonQuota,      "дисковая квота исчерпана", "das Speicherkontingent ist erschöpft", "the disk quota is used up"},
    {T::ReasonDenied,     "нет прав доступа", "keine Berechtigung", "permission denied"},
    {T::ReasonNotPermitted, "операция не разрешена", "der Vorgang ist nicht erlaubt", "operation not permitted"},
    {T::ReasonSticky,     "файл принадлежит другому пользователю, а в этой папке заменить файл может только его владелец",
                          "die Datei gehört einem anderen Benutzer, und in diesem Ordner darf nur ihr Eigentümer sie ersetzen",
                          "another user owns it, in a folder where only a file's owner may replace it"},
    {T::ReasonReadOnly,   "файловая система доступна только для чтения", "das Dateisystem ist schreibgeschützt", "the file system is read-only"},
    {T::ReasonTooLarge,   "файл слишком велик", "die Datei ist zu groß", "the file is too large"},
    {T::ReasonDevice,     "ошибка ввода-вывода устройства", "Ein-/Ausgabefehler des Geräts", "input/output error of the device"},
    {T::ReasonMissing,    "нет такого файла или папки", "Datei oder Ordner nicht vorhanden", "no such file or folder"},
    {T::ReasonNotFolder,  "часть пути не является папкой", "ein Teil des Pfads ist kein Ordner", "a part of the path is not a folder"},
    {T::ReasonIsFolder,   "это папка", "es ist ein Ordner", "it is a folder"},
    {T::ReasonLink,       "это символическая ссылка, а через ссылку файлы не заменяются",
                          "es ist eine symbolische Verknüpfung, die nie ersetzt wird",
                          "it is a symbolic link, which is never replaced"},
    {T::ReasonHardLinks,  "у файла несколько жёстких ссылок, и замена разделила бы их",
                          "die Datei hat mehrere harte Verknüpfungen, die ein Ersetzen trennen würde",
                          "it has several hard links, which a replacement would separate"},
    {T::ReasonNotRegular, "это не обычный файл", "es ist keine gewöhnliche Datei", "it is not a regular file"},
    {T::ReasonNameTooLong, "слишком длинное имя", "der Name ist zu lang", "the name is too long"},

    {T::FieldMass,        "Начальная масса аппарата, кг; от 0,0001 (капля) до 1 000 000 (метеорит).",
                          "Startmasse des Flugkörpers, kg; von 0,0001 (Tropfen) bis 1 000 000 (Meteorit).",
                          "Initial mass of the vehicle, kg; from 0.0001 (a drop) to 1 000 000 (a meteorite)."},
    {T::FieldArea,        "Площадь миделя, к которой отнесены коэффициенты сопротивления и подъёмной силы, м²; от 0,00001 до 1000. Для воздушного шара вычисляется по оболочке.",
                          "Bezugsfläche, auf die sich Widerstands- und Auftriebsbeiwert beziehen, m²; von 0,00001 bis 1000. Beim Ballon aus der Hülle berechnet.",
                          "Reference area on which the drag and lift coefficients are based, m²; from 0.00001 to 1000. For a balloon it is computed from the envelope."},
    {T::FieldStep,        "Шаг интегрирования, с; от 0,0001 до 1. Меньший шаг точнее, но медленнее; Ctrl+T проверяет шаг.",
                          "Integrationsschritt, s; von 0,0001 bis 1. Kleinere Schritte sind genauer, aber langsamer; Strg+T prüft den Schritt.",
                          "Integration step, s; from 0.0001 to 1. A smaller step is more accurate but slower; Ctrl+T checks the step."},
    {T::FieldDrag,        "Коэффициент сопротивления Cx (при постоянной аэродинамике), без размерности; от 0,01 до 2.",
                          "Widerstandsbeiwert Cw (bei konstanter Aerodynamik), ohne Einheit; von 0,01 bis 2.",
                          "Drag coefficient Cd (with constant aerodynamics), no unit; from 0.01 to 2."},
    {T::FieldLift,        "Коэффициент подъёмной силы Cy, без размерности; 0 без подъёмной силы, до 1,5.",
                          "Auftriebsbeiwert Ca, ohne Einheit; 0 ohne Auftrieb, bis 1,5.",
                          "Lift coefficient Cl, no unit; 0 for no lift, up to 1.5."},
    {T::FieldPathAngle,   "Начальный угол наклона траектории Qo к горизонту, градусы; от −90 (вертикально вниз) до 90 (вертикально вверх).",
                          "Anfänglicher Bahnwinkel Qo gegen die Waagerechte, Grad; von −90 (senkrecht nach unten) bis 90 (senkrecht nach oben).",
                          "Initial path angle Qo from the horizontal, degrees; from −90 (straight down) to 90 (straight up)."},
    {T::FieldAltitude,    "Начальная высота Ho, м; от 0 до 120 000.",
                          "Anfangshöhe Ho, m; von 0 bis 120 000.",
                          "Initial altitude Ho, m; from 0 to 120 000."},
    {T::FieldSpeed,       "Начальная скорость Vo, м/с; от 0 до 20 000.",
                          "Anfangsgeschwindigkeit Vo, m/s; von 0 bis 20 000.",
                          "Initial speed Vo, m/s; from 0 to 20 000."},
    {T::FieldEndTime,     "Время, в которое расчёт заканчивается, если аппарат ещё не приземлился, с; больше ожидаемой длительности полёта, до 100 000.",
                          "Zeit, zu der die Berechnung spätestens endet, falls der Flugkörper noch nicht gelandet ist, s; länger als der erwartete Flug, bis 100 000.",
                          "Time at which the run ends if the vehicle has not landed by then, s; longer than the flight is expected to last, up to 100 000."},
    {T::FieldGasDensity,  "Плотность несущего газа, кг/м³; 0 (вакуум), водород 0,085, гелий 0,178, горячий воздух около 0,9.",
                          "Dichte des Traggases, kg/m³; 0 (Vakuum), Wasserstoff 0,085, Helium 0,178, Heißluft etwa 0,9.",
                          "Density of the lifting gas, kg/m³; 0 (vacuum), hydrogen 0.085, helium 0.178, hot air about 0.9."},
    {T::FieldFloatAltitude, "Высота, на которой шар должен держаться, м; от 0 до 40 000.",
                          "Höhe, in der der Ballon schweben soll, m; von 0 bis 40 000.",
                          "Altitude at which the balloon is to float, m; from 0 to 40 000."},
    {T::FieldGasLoss,     "Утечка газа через оболочку, литров на м² оболочки за 24 ч; от 0 до 100.",
                          "Gasverlust durch die Hülle, Liter je m² Hülle in 24 h; von 0 bis 100.",
                          "Gas lost through the envelope, litres per m² of envelope in 24 h; from 0 to 100."},
    {T::FieldBuoyancySurplus, "Избыток подъёмной силы над весом при старте, %; от 0 до 50.",
                          "Überschuss des Auftriebs über das Gewicht beim Start, %; von 0 bis 50.",
                          "Surplus of buoyancy over weight at the start, %; from 0 to 50."},
    {T::FieldFuel,        "Масса топлива, кг; от 0 до начальной массы.",
                          "Treibstoffmasse, kg; von 0 bis zur Startmasse.",
                          "Fuel mass, kg; from 0 to the initial mass."},
    {T::FieldImpulse,     "Удельный импульс Isp, Н·с/кг (секунды × 9,8); от 1000 до 4500.",
                          "Spezifischer Impuls Isp, N·s/kg (Sekunden × 9,8); von 1000 bis 4500.",
                          "Specific impulse Isp, N·s/kg (seconds × 9.8); from 1000 to 4500."},
    {T::FieldThrust,      "Тяга двигателя, Н; от 0 до 10 000 000; топливо расходуется со скоростью тяга / Isp.",
                          "Schub des Triebwerks, N; von 0 bis 10 000 000; der Treibstoff verbrennt mit Schub / Isp.",
                          "Engine thrust, N; from 0 to 10 000 000; the fuel burns at thrust / Isp."},
    {T::FieldAeroModel,   "Аэродинамическая модель: Constant берёт коэффициенты Cx и Cy из полей ниже, Titan-2 вычисляет их по числу Маха и углу атаки.",
                          "Aerodynamisches Modell: Constant nimmt die Beiwerte Cw und Ca aus den Feldern darunter, Titan-2 berechnet sie aus Machzahl und Anstellwinkel.",
                          "Aerodynamic model: Constant takes the coefficients Cd and Cl from the fields below, Titan-2 computes them from the Mach number and the angle of attack."},
    {T::FieldAreaLoading, "Нагрузка на площадь p = m/S, кг/м², вычисляется из массы и площади; только показ.",
                          "Flächenbelastung p = m/S, kg/m², aus Masse und Fläche berechnet; nur Anzeige.",
                          "Area loading p = m/S, kg/m², computed from the mass and the area; shown only."},
    {T::FieldLevelSpeed,  "Планер: скорость установившегося горизонтального полёта на начальной высоте, м/с; только показ.",
                          "Segelflugzeug: Geschwindigkeit des stationären Horizontalflugs in der Anfangshöhe, m/s; nur Anzeige.",
                          "Glider: speed of steady level flight at the initial altitude, m/s; shown only."},

    {T::HelpTitle,        "Справка Torv", "Torv-Hilfe", "Torv help"},
    {T::HelpWhat,         "Что делает программа", "Was das Programm tut", "What the program does"},
    {T::HelpWhatBody,
        "Torv рассчитывает полёт аппарата как материальной точки в вертикальной плоскости: явный метод Эйлера с постоянным шагом через табличную стандартную атмосферу. Восемь классов аппаратов, от мяча до спускаемого аппарата и ракеты, 34 готовых сценария. Каждый расчёт записывает 500 точек 31 величины и рисует их графики. Результаты — оценки для изучения и сравнения, а не данные для проектирования.",
        "Torv berechnet den Flug eines Flugkörpers als Massenpunkt in einer senkrechten Ebene: explizites Euler-Verfahren mit festem Schritt durch eine tabellierte Standardatmosphäre. Acht Klassen von Flugkörpern, vom Ball bis zur Landekapsel und Rakete, 34 vorbereitete Szenarien. Jeder Lauf zeichnet 500 Messpunkte von 31 Größen auf und zeigt sie als Grafiken. Die Ergebnisse sind Schätzungen zum Lernen und Vergleichen, keine Auslegungsdaten.",
        "Torv computes the flight of a vehicle as a point mass in a vertical plane: an explicit Euler step of fixed length through a tabulated standard atmosphere. Eight classes of vehicle, from a ball to a reentry capsule and a rocket, 34 preset scenarios. Every run records 500 samples of 31 quantities and draws them as graphs. The results are estimates for study and comparison, not data for design."},
    {T::HelpRoad,         "Порядок работы", "Der Weg durch die Formulare", "The road through the forms"},
    {T::HelpRoadBody,
        "1. На стартовой форме выберите язык (R, D или E).\n2. Выберите класс аппарата.\n3. Выберите сценарий из списка и нажмите START.\n4. На расчётной форме проверьте или измените данные и нажмите START: программа рассчитывает полёт и рисует общий график.\n5. Кнопки графиков показывают другие величины того же расчёта; правая кнопка мыши или клавиша меню над графиком открывает меню графика.\n6. MAIN возвращает к выбору языка, QUIT завершает программу.",
        "1. Auf dem Startformular die Sprache wählen (R, D oder E).\n2. Die Klasse des Flugkörpers wählen.\n3. Ein Szenario aus der Liste wählen und START drücken.\n4. Auf dem Berechnungsformular die Daten prüfen oder ändern und START drücken: das Programm berechnet den Flug und zeigt die Übersichtsgrafik.\n5. Die Grafikknöpfe zeigen andere Größen desselben Laufs; die rechte Maustaste oder die Menütaste über der Grafik öffnet das Grafikmenü.\n6. MAIN führt zurück zur Sprachwahl, QUIT beendet das Programm.",
        "1. On the start form, choose the language (R, D or E).\n2. Choose the class of vehicle.\n3. Choose a scenario from the list and press START.\n4. On the calculation form, check or change the data and press START: the program computes the flight and draws the overview graph.\n5. The graph buttons show other quantities of the same run; the right mouse button or the menu key over the graph opens the graph's menu.\n6. MAIN goes back to the choice of language, QUIT ends the program."},
    {T::HelpFields,       "Поля расчётной формы", "Die Felder des Berechnungsformulars", "The fields of the calculation form"},
    {T::HelpFieldsBody,
        "Числа вводятся с десятичным разделителем системы (%1). Поля, не нужные выбранному классу, скрыты. Подсказка каждого поля повторяет его строку здесь.",
        "Zahlen werden mit dem Dezimaltrennzeichen des Systems (%1) eingegeben. Felder, die die gewählte Klasse nicht braucht, sind ausgeblendet. Der Tooltip jedes Feldes wiederholt seine Zeile hier.",
        "Numbers are typed with the system's decimal separator (%1). Fields the chosen class does not use are hidden. Each field's tooltip repeats its line here."},
    {T::HelpMenu,         "Меню графика и сочетания клавиш", "Das Grafikmenü und seine Tastenkürzel", "The graph's menu and its shortcuts"},
    {T::HelpMenuBody,
        "Меню открывается правой кнопкой мыши или клавишей меню над графиком. Сочетания клавиш действуют везде на расчётной форме; Ctrl+C копирует текст, если в поле выделен текст, иначе — график. Недоступный пункт объясняет во всплывающей подсказке, почему он недоступен.",
        "Das Menü öffnet sich mit der rechten Maustaste oder der Menütaste über der Grafik. Die Tastenkürzel wirken überall auf dem Berechnungsformular; Strg+C kopiert den markierten Text eines Feldes, sonst die Grafik. Ein gesperrter Eintrag sagt im Tooltip, warum.",
        "The menu opens with the right mouse button or the menu key over the graph. The shortcuts work anywhere on the calculation form; Ctrl+C copies a field's selected text, otherwise the graph. An entry that is off says why in its tooltip."},
    {T::HelpCheck,        "Проверка шага", "Schrittweitenprüfung", "The step check"},
    {T::HelpCheckBody,
        "После короткого расчёта Torv сам пересчитывает его с шагами dt0/2 и dt0/4 (после долгого — по Ctrl+T). Погрешность метода Эйлера уменьшается пропорционально шагу лишь при достаточно малом шаге; это видно, когда разности последовательных расчётов уменьшаются примерно вдвое. Тогда проверка оценивает погрешность каждой величины таблицы. Цель — 0,1 %, как в таблице: надпись под графиком появляется, когда оценка погрешности какой-либо величины больше 0,1 % (с указанием, во сколько раз шаг крупнее нужного), или когда величина ещё не установилась и её погрешность оценить нельзя. Нет надписи — все величины таблицы в пределах 0,1 %. Предлагаемый шаг округляется вниз и берётся с запасом в десятую часть, чтобы он выполнял цель. «Сойтись…» в таблице уменьшает шаг вдвое, пока все величины не установятся с погрешностью меньше 0,1 %, не дольше минуты; расчёт с найденным шагом можно показать.",
        "Nach einem kurzen Lauf rechnet Torv ihn von selbst mit dt0/2 und dt0/4 nach (nach einem langen mit Strg+T). Der Fehler des Euler-Verfahrens sinkt erst bei hinreichend kleinem Schritt proportional zum Schritt; man sieht es daran, dass sich die Differenzen aufeinanderfolgender Läufe etwa halbieren. Dann schätzt die Prüfung den Fehler jeder Größe der Tabelle. Das Ziel ist 0,1 %, wie in der Tabelle: der Hinweis unter der Grafik erscheint, wenn der geschätzte Fehler einer Größe über 0,1 % liegt (mit dem Faktor, um den der Schritt zu grob ist), oder wenn sich eine Größe nicht eingependelt hat und ihr Fehler sich nicht schätzen lässt. Kein Hinweis heißt: alle Größen der Tabelle liegen innerhalb von 0,1 %. Ein vorgeschlagener Schritt wird abgerundet und lässt ein Zehntel Reserve, damit er das Ziel einhält. „Konvergieren…“ in der Tabelle halbiert den Schritt, bis sich alle Größen mit einem Fehler unter 0,1 % eingependelt haben, höchstens eine Minute lang; der Lauf mit dem gefundenen Schritt lässt sich zeigen.",
        "After a short run Torv runs it again at dt0/2 and dt0/4 by itself (after a long one on Ctrl+T). The error of Euler's method shrinks in proportion to the step only once the step is small enough; that shows when the differences between successive runs halve. Then the check estimates the error of every quantity in its table. The target is 0.1 %, the table's: the notice under the graph appears when a quantity's estimated error is above 0.1 % (with the factor by which the step is too coarse), or when a quantity has not settled and its error cannot be estimated. No notice means every quantity in the table is within 0.1 %. A suggested step is rounded down with a tenth to spare, so that it meets the target. “Converge…” in the table halves the step until every quantity has settled with an error below 0.1 %, for a minute at most; the run at the step it found can be shown."},
    {T::HelpKeys,         "Клавиатура", "Tastatur", "Keyboard"},
    {T::HelpKeysBody,
        "Tab и Shift+Tab переходят между видимыми элементами; клавиши со стрелками выбирают в группах и списках; Enter или пробел нажимают кнопку в фокусе; Esc закрывает окно или текстовое поле поверх формы; F1 открывает эту справку. В графике (Tab до него) клавиши влево и вправо перемещают отсчёт на одну точку.",
        "Tab und Umschalt+Tab wechseln zwischen den sichtbaren Elementen; die Pfeiltasten wählen in Gruppen und Listen; Eingabe oder Leertaste drücken den Knopf mit dem Fokus; Esc schließt das Fenster oder Textfeld obenauf; F1 öffnet diese Hilfe. In der Grafik (mit Tab erreichbar) bewegen Pfeil links und rechts die Ablesung um einen Messpunkt.",
        "Tab and Shift+Tab move between the visible controls; the arrow keys choose in groups and lists; Enter or Space presses the focused button; Esc closes the window or text box on top; F1 opens this help. In the graph (reached with Tab) Left and Right move the read-out by one sample."},
    {T::HelpFiles,        "Куда пишутся файлы", "Wohin die Dateien gehen", "Where files go"},
    {T::HelpFilesBody,
        "Каждый расчёт записывает Torv_500.txt в рабочую папку: %1. Рисунки и таблицы CSV сохраняются туда, куда вы укажете в диалоге сохранения. Настройки программы хранятся в %2.",
        "Jeder Lauf schreibt Torv_500.txt in den Arbeitsordner: %1. Bilder und CSV-Tabellen gehen dorthin, wo Sie sie im Speicherdialog ablegen. Das Programm merkt sich seine Einstellungen in %2.",
        "Every run writes Torv_500.txt into the working folder: %1. Pictures and CSV tables go where you put them in the save dialog. The program keeps its settings in %2."},
    {T::HelpModels,       "Модели и их границы", "Die Modelle und ihre Grenzen", "The models and their limits"},
    {T::HelpModelsLink,   "Что предполагает модель каждого класса, где её границы и как проверить шаг.",
                          "Was das Modell jeder Klasse annimmt, wo seine Grenzen liegen und wie man den Schritt prüft.",
                          "What each class's model assumes, where it ends, and how to check the step."},
    {T::ModelsAssume,     "Что предполагают все модели", "Was alle Modelle annehmen", "What every model assumes"},
    {T::ModelsAssumeBody,
        "Аппарат — материальная точка в вертикальной плоскости. Земля плоская, g = 9,8 м/с² на любой высоте (кроме спускаемого аппарата, см. ниже). Воздух берётся из таблицы стандартной атмосферы 1976 года: температура и плотность близки к стандарту; давление выше 30 км интерполируется между точками через 10 км и получается завышенным (до 40 %), но оно только показывается — полёт ведёт плотность. Уравнения решаются явным методом Эйлера с постоянным шагом dt0; углы переводятся из радиан множителем 57,3.",
        "Der Flugkörper ist ein Massenpunkt in einer senkrechten Ebene. Die Erde ist flach, g = 9,8 m/s² in jeder Höhe (außer bei der Landekapsel, siehe unten). Die Luft kommt aus einer Tabelle der Standardatmosphäre von 1976: Temperatur und Dichte liegen nahe am Standard; der Druck über 30 km wird zwischen Stützstellen im Abstand von 10 km interpoliert und fällt zu hoch aus (bis 40 %), er wird aber nur angezeigt – den Flug bestimmt die Dichte. Die Gleichungen werden mit dem expliziten Euler-Verfahren mit festem Schritt dt0 gelöst; Winkel werden mit dem Faktor 57,3 aus dem Bogenmaß umgerechnet.",
        "The vehicle is a point mass in a vertical plane. The Earth is flat and g = 9.8 m/s² at every altitude (except for the reentry vehicle, see below). The air comes from a table of the 1976 standard atmosphere: temperature and density are close to the standard; the pressure above 30 km is interpolated between points 10 km apart and runs high (by up to 40 %), but it is only shown — the density drives the flight. The equations are solved with Euler's explicit method at a fixed step dt0; angles are converted from radians with the factor 57.3."},
    {T::ModelsByClass,    "Класс за классом", "Klasse für Klasse", "Class by class"},
    {T::ModelsByClassBody,
        "Снаряд, парашют: сопротивление и подъёмная сила с постоянными коэффициентами (или по модели Titan-2). Без сопротивления дальность совпадает с точным решением до 0,01 %, парашют приземляется со скоростью установившегося спуска с точностью 0,02 %.\n"
        "Воздушный шар: поднимается с избытком подъёмной силы, заданным при старте, как бы ни менялась плотность воздуха, и зависает на введённой высоте HFlug при любом газе. Потеря газа за шаг зависит и от шага, и от прошедшего времени, поэтому время посадки зависит от шага.\n"
        "Дирижабль: своей оболочки нет; он берёт подъёмную силу, оставленную предыдущим расчётом шара.\n"
        "Планер: выходит на угол планирования tg Q = −Cx/Cy (с точностью до 0,4 %).\n"
        "Спускаемый аппарат: учитывает кривизну Земли, но крутой вход поворачивает, как горизонтальный полёт. Уравнения тормозят удвоенным сопротивлением ρV²CxS/m, а перегрузка nx на графиках считается с ρV²/2: для нагрузок смотрите «Наибольшее приложенное торможение» в проверке шага. Тепловой поток в 2,2–2,4 раза выше оценки Саттона — Грейвса.\n"
        "Ракета: тяга действует, пока t ≤ времени работы двигателя, поэтому она может израсходовать до одного шага топлива больше Mt. Ракета, стартующая почти с нуля скорости, поворачивает в первых шагах по-разному в зависимости от шага: при шаге сценария Фау-2 завышает высоту на 13 %, а дальность моделей ракет не устанавливается и при dt0 = 0,00001 с.",
        "Projektil, Fallschirm: Widerstand und Auftrieb mit festen Beiwerten (oder nach dem Modell Titan-2). Ohne Widerstand trifft die Reichweite die geschlossene Lösung auf 0,01 %, der Fallschirm landet mit der Sinkgeschwindigkeit des Gleichgewichts auf 0,02 % genau.\n"
        "Ballon: steigt mit dem beim Start gegebenen Auftriebsüberschuss, wie auch immer sich die Luftdichte ändert, und schwebt in der eingegebenen Höhe HFlug, mit jedem Gas. Der Gasverlust eines Schritts hängt vom Schritt und von der vergangenen Zeit ab, daher hängt die Landezeit vom Schritt ab.\n"
        "Luftschiff: hat keine eigene Hülle; es übernimmt den Auftrieb, den ein früherer Ballonlauf hinterließ.\n"
        "Segelflugzeug: stellt sich auf den Gleitwinkel tan Q = −Cw/Ca ein (auf 0,4 % genau).\n"
        "Landekapsel: rechnet mit der Erdkrümmung, dreht aber einen steilen Eintritt wie einen Horizontalflug. Die Gleichungen bremsen mit dem doppelten Widerstand ρV²CwS/m, das Lastvielfache nx der Grafiken rechnet mit ρV²/2: für Lasten lesen Sie in der Schrittprüfung die „größte aufgebrachte Verzögerung“. Der Wärmestrom liegt 2,2- bis 2,4-mal über der Schätzung nach Sutton und Graves.\n"
        "Rakete: der Schub wirkt, solange t ≤ Brenndauer ist, sie kann also bis zu einen Schritt Treibstoff mehr verbrauchen als Mt. Eine Rakete, die fast aus dem Stand startet, dreht in den ersten Schritten je nach Schritt verschieden: beim Schritt des Szenarios überschätzt die V-2 ihre Gipfelhöhe um 13 %, und die Reichweite der Modellraketen ist selbst bei dt0 = 0,00001 s nicht eingeschwungen.",
        "Projectile, parachute: drag and lift with constant coefficients (or by the Titan-2 model). Without drag the range meets the closed form within 0.01 %; a parachute lands at its terminal speed within 0.02 %.\n"
        "Balloon: rises with the lift surplus given at the start, whatever the air's density does, and floats at the float altitude HFlug typed, with any gas. The gas lost in a step depends on both the step and the time elapsed, so the landing time depends on the step.\n"
        "Airship: has no envelope of its own; it takes the buoyancy an earlier balloon run left.\n"
        "Glider: settles at the glide angle tan Q = −Cd/Cl (within 0.4 %).\n"
        "Reentry vehicle: takes the Earth's curvature into account, but turns a steep entry as if it were flying level. Its equations decelerate by twice the drag, ρV²CdS/m, while the load factor nx of the graphs uses ρV²/2: for loads, read the “greatest applied deceleration” in the step check. Its heat flux is 2.2 to 2.4 times the Sutton–Graves estimate.\n"
        "Rocket: thrust acts while t ≤ the burn time, so it may use up to one step's fuel more than Mt. A rocket that starts almost from rest turns in its first steps by an amount that depends on the step: at its scenario's step the V-2 overstates its apogee by 13 %, and the model rockets' range has not settled even at dt0 = 0.00001 s."},
    {T::ModelsCheck,      "Как проверить шаг", "Wie man den Schritt prüft", "How to check the step"},
    {T::ModelsCheckBody,
        "Метод Эйлера первого порядка: при вдвое меньшем шаге ошибка уменьшается вдвое. «Проверить шаг» (Ctrl+T в меню графика) повторяет расчёт с шагом dt0/2 и показывает каждую величину при обоих шагах, разницу, относительную разницу, уточнённое значение 2·y(dt0/2) − y(dt0) и шаг, при котором величина, меняющаяся сильнее всего, будет верна до 0,1 %. После короткого расчёта программа проверяет сама и пишет под графиком, если величина меняется больше чем на 1 %. Если разница не уменьшается вдвое при уменьшении шага (ракеты со старта), сделайте несколько расчётов с меньшим шагом, прежде чем доверять числу. При очень малом шаге 500 точек графиков охватывают только начало полёта; проверка шага от них не зависит.",
        "Das Euler-Verfahren ist erster Ordnung: der halbe Schritt halbiert den Fehler. „Schrittweite prüfen“ (Strg+T im Grafikmenü) rechnet den Lauf mit dt0/2 noch einmal und zeigt jede Größe bei beiden Schritten, den Unterschied, den relativen Unterschied, den verbesserten Wert 2·y(dt0/2) − y(dt0) und den Schritt, bei dem die am stärksten veränderte Größe auf 0,1 % stimmt. Nach einem kurzen Lauf prüft das Programm selbst und meldet unter der Grafik, wenn sich eine Größe um mehr als 1 % ändert. Wo der Unterschied mit dem Schritt nicht halb so groß wird (Raketen aus dem Stand), rechnen Sie mit einigen kleineren Schritten, bevor Sie einer Zahl trauen. Bei sehr kleinem Schritt decken die 500 Messpunkte der Grafiken nur den Anfang des Flugs ab; die Schrittprüfung hängt nicht von ihnen ab.",
        "Euler's method is of first order: halving the step halves the error. “Check the step” (Ctrl+T in the graph's menu) runs the flight again at dt0/2 and shows each quantity at both steps, the difference, the relative difference, the improved value 2·y(dt0/2) − y(dt0) and the step at which the quantity that changes most would be within 0.1 %. After a short run the program checks by itself and says so under the graph when a quantity changes by more than 1 %. Where the difference does not halve with the step (rockets from rest), run a few smaller steps before trusting a number. At a very small step the graphs' 500 samples cover only the start of the flight; the step check does not depend on them."},
    {T::HelpBack,         "Назад", "Zurück", "Back"},
    {T::HelpShortcut,     "F1 — справка", "F1 – Hilfe", "F1 – help"},

    {T::AboutTitle,       "О программе Torv", "Über Torv", "About Torv"},
    {T::AboutVersion,     "Версия %1", "Version %1", "Version %1"},
    {T::AboutBuild,       "Сборка: %1", "Build: %1", "Build: %1"},
    {T::AboutLicence,     "Условия использования", "Nutzungsbedingungen", "Licence"},
    {T::AboutLicenceBody,
        "Программа бесплатна для личного изучения, обучения и исследований. Её нельзя продавать, сдавать в аренду или использовать в коммерческих целях; передавать её можно только целиком и без изменений. Программа предоставляется без каких-либо гарантий. Qt используется на условиях GNU LGPL версии 3.",
        "Das Programm ist kostenlos für privates Lernen, Lehre und Forschung. Es darf nicht verkauft, vermietet oder gewerblich genutzt und nur vollständig und unverändert weitergegeben werden. Es kommt ohne jede Gewährleistung. Qt wird unter der GNU LGPL Version 3 genutzt.",
        "The program is free of charge for private study, teaching and research. It must not be sold, rented or used for any commercial purpose, and may be passed on only complete and unchanged. It comes without any warranty. Qt is used under the GNU LGPL version 3."},
    {T::AboutQt,          "О Qt", "Über Qt", "About Qt"},
    {T::AboutCommit,      "исходный код %1 от %2", "Quellstand %1 vom %2", "commit %1, %2"},
    {T::AboutUnknown,     "неизвестна", "unbekannt", "unknown"},
    {T::InfoTerms,
        "Условия использования:\n"
        "1. Программой можно бесплатно пользоваться для личного изучения, обучения и исследований.\n"
        "2. Её нельзя продавать, сдавать в аренду или использовать в коммерческих целях.\n"
        "3. Передавать её можно только целиком и без изменений, вместе с этим текстом.\n"
        "4. Она предоставляется без каких-либо гарантий: её результаты — оценки для концептуальных исследований, и прежде чем на них полагаться, их нужно проверить независимо.\n"
        "\n"
        "Вопросы и замечания: напишите автору через систему задач проекта.",
        "Nutzungsbedingungen:\n"
        "1. Das Programm darf kostenlos für privates Lernen, Lehre und Forschung genutzt werden.\n"
        "2. Es darf nicht verkauft, vermietet oder gewerblich genutzt werden.\n"
        "3. Es darf nur vollständig und unverändert weitergegeben werden, zusammen mit diesem Text.\n"
        "4. Es kommt ohne jede Gewährleistung: seine Ergebnisse sind Schätzungen für Konzeptstudien und müssen unabhängig geprüft werden, bevor man sich auf sie verlässt.\n"
        "\n"
        "Fragen und Hinweise: schreiben Sie dem Autor über das Fehlerverzeichnis des Projekts.",
        "Terms of use:\n"
        "1. The program may be used free of charge for private study, teaching and research.\n"
        "2. It must not be sold, rented or used for any commercial purpose.\n"
        "3. It may be passed on only complete and unchanged, together with this text.\n"
        "4. It comes without any warranty: its results are estimates for conceptual studies and must be checked independently before they are relied on.\n"
        "\n"
        "Questions and remarks: send a message to the author via the project's issue tracker."},
    {T::ScenarioDefaultName, "сценарий.toml", "szenario.toml", "scenario.toml"},
    {T::StudyMenu, "Исследование…", "Studie…", "Study…"},
    {T::StudyTitle, "Исследование: серия расчётов", "Studie: eine Reihe von Läufen", "Study: a series of runs"},
    {T::StudyInput, "&Величина", "&Größe", "&Input"},
    {T::StudyLawSweep, "ряд ОТ:ДО:ЧИСЛО (log:…, или A,B,C)", "Reihe VON:BIS:ANZAHL (log:…, oder A,B,C)", "sweep FROM:TO:COUNT (log:…, or A,B,C)"},
    {T::StudyLawNormal, "нормальный СРЕДНЕЕ:СКО", "normal MITTEL:STDABW", "normal MEAN:SD"},
    {T::StudyLawUniform, "равномерный ОТ:ДО", "gleichverteilt VON:BIS", "uniform LO:HI"},
    {T::StudyLawTriangular, "треугольный ОТ:МОДА:ДО", "dreieckig VON:MODUS:BIS", "triangular LO:MODE:HI"},
    {T::StudyAdd, "&Добавить", "&Hinzufügen", "&Add"},
    {T::StudyRemove, "&Убрать", "&Entfernen", "Re&move"},
    {T::StudyRuns, "Число &расчётов", "&Läufe", "&Runs"},
    {T::StudySeed, "&Начало ряда случайных чисел", "Start&wert", "&Seed"},
    {T::StudyRun, "&Пуск", "&Start", "R&un"},
    {T::StudyCancel, "&Отмена", "Abbre&chen", "&Cancel"},
    {T::StudyProgress, "Готово %1 из %2 расчётов", "%1 von %2 Läufen fertig", "%1 of %2 runs done"},
    {T::StudyCancelled, "Отменено: сохранено %1 из %2 расчётов", "Abgebrochen: %1 von %2 Läufen behalten", "Cancelled: %1 of %2 runs kept"},
    {T::StudyFailedRuns, "; с ошибкой: %1", "; fehlgeschlagen: %1", "; failed: %1"},
    {T::StudyOutput, "Результат на р&исунке", "Ergebnis im Bil&d", "&Output shown"},
    {T::StudySavePng, "Сохранить рисуно&к…", "&Bild speichern…", "Save &picture…"},
    {T::StudySaveCsv, "Сохранить &таблицу…", "&Tabelle speichern…", "Save &table…"},
    {T::StudyClose, "&Закрыть", "Schl&ießen", "C&lose"},
    {T::StudyCannot, "Исследование не запускается (сообщение на английском):\n%1", "Die Studie startet nicht (Meldung auf Englisch):\n%1", "The study cannot run:\n%1"},
    {T::StudyNoRows, "Сначала добавьте величину с законом или диапазоном.", "Fügen Sie zuerst eine Größe mit Verteilung oder Bereich hinzu.", "Add an input with its law or range first."},
    {T::StudyCount, "число расчётов", "Anzahl Läufe", "runs"},
};
// clang-format on

constexpr bool inTextOrder()
{
    for (size_t t = 0; t < std::size(kTexts); ++t)
        if (kTexts[t].which != static_cast<Text>(t))
            return false;
    return std::size(kTexts) == static_cast<size_t>(Text::Count);
}
static_assert(inTextOrder(), "one row per text, in the order of Text");

} // namespace

std::span<const TextRow> textTable()
{
    return kTexts;
}

QString text(Text which, int sprache)
{
    return QString::fromUtf8(inLanguage(kTexts[static_cast<int>(which)].text, sprache));
}

QString text(Text which)
{
    return text(which, st.Sprache);
}

} // namespace torv
