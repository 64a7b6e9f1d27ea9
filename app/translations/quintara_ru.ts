<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>Astr</name>
    <message>
        <source>Bath: </source>
        <comment>IDS_0</comment>
        <translation>Термостат: </translation>
    </message>
    <message>
        <source>Bath: not selected</source>
        <comment>IDS_1</comment>
        <translation>Термостат: не выбран</translation>
    </message>
    <message>
        <source>Record</source>
        <comment>IDS_2</comment>
        <translation>Запись</translation>
    </message>
    <message>
        <source>Stop</source>
        <comment>IDS_3</comment>
        <translation>Стоп</translation>
    </message>
    <message>
        <source> </source>
        <comment>IDS_4</comment>
        <translation> </translation>
    </message>
    <message>
        <source>All measured data will be deleted. Proceed?</source>
        <comment>IDS_5</comment>
        <translation>Все измеренные значения будут удалены.
Продолжить?</translation>
    </message>
    <message>
        <source>Nope</source>
        <comment>IDS_6</comment>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Void</source>
        <comment>IDS_7</comment>
        <translation>Пустой</translation>
    </message>
    <message>
        <source>Tracking:</source>
        <comment>IDS_8</comment>
        <translation>Захват: </translation>
    </message>
    <message>
        <source>Click on the graph line to get coordinates</source>
        <comment>IDS_9</comment>
        <translation>Клик по графику - для получения координат</translation>
    </message>
    <message>
        <source>Unexpected response</source>
        <comment>IDS_10</comment>
        <translation>Неожиданный ответ термостата</translation>
    </message>
    <message>
        <source>Invalid request. Status code</source>
        <comment>IDS_11</comment>
        <translation>Ошибочный запрос. Код статуса</translation>
    </message>
    <message>
        <source>Setpoint value is not a number</source>
        <comment>IDS_12</comment>
        <translation>Введенное значение уставки не является числом</translation>
    </message>
    <message>
        <source>: invalid request format</source>
        <comment>IDS_13</comment>
        <translation>: неверный формат запроса</translation>
    </message>
    <message>
        <source>: invalid value format</source>
        <comment>IDS_14</comment>
        <translation>: неверный формат значения</translation>
    </message>
    <message>
        <source>: unknown addressee</source>
        <comment>IDS_15</comment>
        <translation>: неизвестный адресат</translation>
    </message>
    <message>
        <source>: unknown command</source>
        <comment>IDS_16</comment>
        <translation>: неизвестная операция</translation>
    </message>
    <message>
        <source>: value out of range</source>
        <comment>IDS_17</comment>
        <translation>: значение вне диапазона</translation>
    </message>
    <message>
        <source>: command not available in &quot;OFF&quot; state</source>
        <comment>IDS_18</comment>
        <translation>: команда не доступна в состоянии &quot;выключено&quot;</translation>
    </message>
    <message>
        <source>Bath is off</source>
        <comment>IDS_19</comment>
        <translation>Термостат выключен</translation>
    </message>
    <message>
        <source>no alarm</source>
        <comment>IDS_20</comment>
        <translation>норма</translation>
    </message>
    <message>
        <source>overheat</source>
        <comment>IDS_21</comment>
        <translation>перегрев</translation>
    </message>
    <message>
        <source>low level</source>
        <comment>IDS_22</comment>
        <translation>уровень</translation>
    </message>
    <message>
        <source>pump</source>
        <comment>IDS_23</comment>
        <translation>насос</translation>
    </message>
    <message>
        <source>heater</source>
        <comment>IDS_24</comment>
        <translation>ТЭНы</translation>
    </message>
    <message>
        <source>ADC</source>
        <comment>IDS_25</comment>
        <translation>АЦП</translation>
    </message>
    <message>
        <source>sensor</source>
        <comment>IDS_26</comment>
        <translation>датчик</translation>
    </message>
    <message>
        <source>Unsaved data will be lost. Open the file anyway?</source>
        <comment>IDS_27</comment>
        <translation>Не сохраненные данные будут потеряны. Все равно открыть файл?</translation>
    </message>
    <message>
        <source>Data was modified. Save changes?</source>
        <comment>IDS_28</comment>
        <translation>Дaнные были изменены. Сохранить изменения?</translation>
    </message>
    <message>
        <source> (adapter)</source>
        <comment>IDS_29</comment>
        <translation> (адаптер)</translation>
    </message>
    <message>
        <source>T(int)</source>
        <comment>IDS_30</comment>
        <translation>T(внутр)</translation>
    </message>
    <message>
        <source>T(ext)</source>
        <comment>IDS_31</comment>
        <translation>T(внеш)</translation>
    </message>
    <message>
        <source>Power</source>
        <comment>IDS_32</comment>
        <translation>Мощность</translation>
    </message>
    <message>
        <source>The previous version of the file will be loaded</source>
        <comment>IDS_33</comment>
        <translation>Будет загружен файл предыдущей версии программы</translation>
    </message>
</context>
<context>
    <name>Journal</name>
    <message>
        <source>the system names no folder for the program&apos;s data</source>
        <translation>система не указывает папку для данных программы</translation>
    </message>
    <message>
        <source>the folder %1 cannot be made</source>
        <translation>не удаётся создать папку %1</translation>
    </message>
    <message>
        <source>another running Quintara keeps its journal there</source>
        <translation>там ведёт журнал другая запущенная копия Quintara</translation>
    </message>
    <message>
        <source>no permission to write in the folder</source>
        <translation>нет права записи в папку</translation>
    </message>
    <message>
        <source>Recording journal cannot be written: %1</source>
        <translation>Журнал записи не удаётся записать: %1</translation>
    </message>
    <message>
        <source>Recording journal cannot be read: %1</source>
        <translation>Журнал записи не удаётся прочитать: %1</translation>
    </message>
    <message>
        <source>A recording from %1 was not saved. Restore it?</source>
        <translation>Запись от %1 не была сохранена. Восстановить её?</translation>
    </message>
</context>
<context>
    <name>Selection</name>
    <message>
        <source>The product pattern &quot;%1&quot; (usb/pname in %2) is not a valid regular expression: %3. No bath can be recognised until it is corrected.</source>
        <translation>Шаблон имени изделия &quot;%1&quot; (usb/pname в %2) не является правильным регулярным выражением: %3. Термостаты не будут найдены, пока он не исправлен.</translation>
    </message>
    <message>
        <source>The bath %1 cannot be opened for reading and writing (%2). Install the udev rule 70-quintara.rules (see &quot;Using a real bath&quot; in the README), then plug the bath in again.</source>
        <translation>Термостат %1 нельзя открыть для чтения и записи (%2). Установите правило udev 70-quintara.rules (см. &quot;Using a real bath&quot; в README) и подключите термостат заново.</translation>
    </message>
    <message>
        <source>The bath %1 cannot be opened for reading and writing (%2). Nothing can be sent to it or read from it.</source>
        <translation>Термостат %1 нельзя открыть для чтения и записи (%2). Ему ничего нельзя отправить и от него ничего нельзя получить.</translation>
    </message>
</context>
<context>
    <name>TMainFrm</name>
    <message>
        <source>Quintara v7.3 - Orvelle</source>
        <translation>Quintara v7.3 - Orvelle</translation>
    </message>
    <message>
        <source>ToolBar</source>
        <translation>ToolBar</translation>
    </message>
    <message>
        <source>Application settings</source>
        <translation>Настройки программы</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>ToolButton5</source>
        <translation>ToolButton5</translation>
    </message>
    <message>
        <source>List of connected baths</source>
        <translation>Список подключенных термостатов</translation>
    </message>
    <message>
        <source>Bath</source>
        <translation>Термостаты</translation>
    </message>
    <message>
        <source>ToolButton2</source>
        <translation>ToolButton2</translation>
    </message>
    <message>
        <source>Temperature, °C</source>
        <translation>Температура, °C</translation>
    </message>
    <message>
        <source>Setpoint, °C</source>
        <translation>Уставка, °C</translation>
    </message>
    <message>
        <source>New setpoint</source>
        <translation>Задать новую уставку</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Изменить</translation>
    </message>
    <message>
        <source>Read bath&apos;s setpoint</source>
        <translation>Прочитать из термостата текущую уставку</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Прочитать</translation>
    </message>
    <message>
        <source>Safety:</source>
        <translation>Защита:</translation>
    </message>
    <message>
        <source>no alarm</source>
        <translation>норма</translation>
    </message>
    <message>
        <source>Plot</source>
        <translation>Графики</translation>
    </message>
    <message>
        <source>Panel5</source>
        <translation>Panel5</translation>
    </message>
    <message>
        <source>View whole plot</source>
        <translation>Показать всю запись</translation>
    </message>
    <message>
        <source>Whole record</source>
        <translation>Вся запись</translation>
    </message>
    <message>
        <source>Scale factor</source>
        <translation>Коэффициент масштаба</translation>
    </message>
    <message>
        <source>0.001</source>
        <translation>0.001</translation>
    </message>
    <message>
        <source>Auto scale</source>
        <translation>Автомасштаб</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Авто</translation>
    </message>
    <message>
        <source>Scale</source>
        <translation>Масштаб</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Запись</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Очистка</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation>Фрейм</translation>
    </message>
    <message>
        <source>Trace</source>
        <translation>Захват</translation>
    </message>
    <message>
        <source>Nope</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Table</source>
        <translation>Таблица</translation>
    </message>
    <message>
        <source>Console</source>
        <translation>Консоль</translation>
    </message>
    <message>
        <source>clr - clear console</source>
        <translation>clr - очищает консоль</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Open plot</source>
        <translation>Открыть графики</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>Save plot</source>
        <translation>Сохранить графики</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Печать</translation>
    </message>
    <message>
        <source>Print plot</source>
        <translation>Печать графиков</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>Copy plot to clipboard</source>
        <translation>Копировать графики в буфер обмена</translation>
    </message>
    <message>
        <source>5 minutes</source>
        <translation>5 минут</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation>15 минут</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <translation>30 минут</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 час</translation>
    </message>
    <message>
        <source>2 hours</source>
        <translation>2 часа</translation>
    </message>
    <message>
        <source>Open plot file</source>
        <translation>Открытие файла данных</translation>
    </message>
    <message>
        <source>Save plot file</source>
        <translation>Сохранение данных в файл</translation>
    </message>
    <message>
        <source>Application files (*.csv);;All files (*)</source>
        <translation>Файлы приложения (*.csv);;Все файлы (*)</translation>
    </message>
    <message>
        <source>Unable to print on %1</source>
        <translation>Не удалось напечатать на %1</translation>
    </message>
</context>
<context>
    <name>TSettingsFrm</name>
    <message>
        <source>Application settings</source>
        <translation>Настройки программы</translation>
    </message>
    <message>
        <source>Polling time, ms</source>
        <translation>Период опроса термостата, мс</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
</TS>
