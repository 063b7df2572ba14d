require 'minitest/autorun'

# SketchUp's UI as scripts use it: menus and the context menu, timers on the virtual clock,
# message boxes answered by the script, the status bar, the console and HTML dialogs.
# Commands, their validation procs, toolbars and their state from the last session are pinned
# down through the plug-in by test_plugin_commands and test_plugin_loading; desktop_test holds
# the message boxes' default buttons and printed lines.
class TestUI < Minitest::Test
  def setup
    HostSim::Desktop.clear
    HostSim.clear_status_history
    HostSim.context_menu_handlers.clear
  end

  def teardown
    HostSim.timer_ids.each { |id| UI.stop_timer(id) }
  end

  # --- menus --------------------------------------------------------------------------------

  # Command items are test_plugin_commands'; here the plain items a block answers.
  def test_plain_menu_items_are_validated_by_id_and_found_by_path
    assert_same UI.menu, UI.menu('Plugins'), 'the old name of Extensions'
    menu = UI.menu('Tools').add_submenu('Menu test')
    checked = true
    item = menu.add_item('About…') { :about_shown }
    assert_equal item, menu.set_validation_proc(item) { checked ? MF_CHECKED : MF_UNCHECKED }
    assert_raises(ArgumentError) { menu.set_validation_proc(-1) { MF_ENABLED } }

    shown = menu.items.find { |i| i.id == item }
    assert shown.checked?
    checked = false
    refute shown.checked?, 'asked again each time'
    assert_equal :about_shown, HostSim.menu_item('Tools', 'Menu test', 'About…').invoke
    assert_nil HostSim.menu_item('Tools', 'Menu test', 'Missing')
    assert_nil HostSim.menu_item('Tools', 'No such submenu', 'About…')
  end

  def test_context_menu_handlers_add_to_a_fresh_menu_in_registration_order
    updated = 0
    UI.add_context_menu_handler { |menu| menu.add_item(UI::Command.new('Update Face') { updated += 1 }) }
    UI.add_context_menu_handler { |menu| menu.add_item('Entity Info') {} }
    menu = HostSim.open_context_menu
    assert_equal ['Update Face', 'Entity Info'], menu.items.map(&:text)
    menu.find('Update Face').invoke
    assert_equal [1, 2], [updated, HostSim.open_context_menu.items.length], 'each right click starts empty'
  end

  # --- timers -------------------------------------------------------------------------------

  def test_timers_fire_in_due_order_only_when_time_passes
    fired = []
    late = UI.start_timer(2.0) { fired << [:late, HostSim.now] }
    early = UI.start_timer(0.5) { fired << [:early, HostSim.now] }
    UI.start_timer(2.0) { fired << [:same_as_late, HostSim.now] }
    assert_operator early, :>, late, 'ids count up'
    assert_empty fired, 'nothing fires before the script lets time pass'
    start = HostSim.now
    HostSim.pump(1.0)
    assert_equal [[:early, start + 0.5]], fired
    HostSim.pump(5.0)
    assert_equal [[:early, start + 0.5], [:late, start + 2.0], [:same_as_late, start + 2.0]], fired
    assert_equal start + 6.0, HostSim.now
    HostSim.pump(10.0)
    assert_equal 3, fired.length, 'one-shot timers fire once'
  end

  def test_repeating_timers_fire_as_often_as_their_period_fits_until_stopped
    ticks = []
    id = UI.start_timer(0.1, true) { ticks << HostSim.now }
    start = HostSim.now
    HostSim.pump(0.3)
    assert_equal 3, ticks.length, '3 × 0.1 s fit exactly into 0.3 s'
    HostSim.pump(0.25)
    UI.stop_timer(id)
    HostSim.pump(1.0)
    assert_equal 5, ticks.length
    assert_in_delta start + 0.5, ticks.last, 1e-9

    # A timer stopped by another's block, or by its own, fires no more.
    fired = []
    victim = nil
    UI.start_timer(1.0) do
      fired << :stopper
      UI.stop_timer(victim)
    end
    victim = UI.start_timer(1.0) { fired << :victim }
    repeating = UI.start_timer(0.5, true) do
      fired << :repeating
      UI.stop_timer(repeating)
    end
    assert_nil UI.stop_timer(987_654), 'stopping an unknown id is harmless'
    HostSim.pump(3.0)
    assert_equal %i[repeating stopper], fired
    assert_empty HostSim.timer_ids
  end

  def test_zero_second_timer_fires_on_the_next_pump
    fired = []
    UI.start_timer(0) do
      fired << :first
      UI.start_timer(0) { fired << :started_inside }
    end
    HostSim.pump
    assert_equal [:first], fired, 'a zero-second timer started during a pump waits for the next'
    HostSim.pump
    assert_equal %i[first started_inside], fired
    idle = 0
    UI.start_timer(0, true) { idle += 1 }
    3.times { HostSim.pump }
    assert_equal 3, idle, 'a repeating zero-second timer fires once per pump'
  end

  # --- message boxes and dialogs --------------------------------------------------------------

  def test_messagebox_takes_queued_answers_and_a_multiline_box_shows_its_title
    text = "Größe: 5 m²\nNote 𝄞 ✓"
    HostSim::Desktop.answer(IDNO, IDCANCEL)
    assert_equal IDNO, UI.messagebox('Replace the file?', MB_YESNO)
    assert_equal IDCANCEL, UI.messagebox(text, MB_MULTILINE, 'Korvan TwinLink - Détails')
    assert_equal 0, HostSim::Desktop.pending_answers
    assert_equal [{ kind: 'messagebox', caption: 'SketchUp', text: 'Replace the file?', flags: MB_YESNO,
                    resource_id: 0, controls: {} },
                  { kind: 'messagebox', caption: 'Korvan TwinLink - Détails', text: text, flags: MB_OK,
                    resource_id: 0, controls: {} }], HostSim::Desktop.messages
  end

  def test_dialog_answer_sets_control_texts
    HostSim::Desktop.answer(result: IDOK, controls: { 1001 => 'Ünïcode' })
    answer = HostSim::Desktop.dialog(101, 'TwinLink settings', { 1001 => 'old' })
    assert_equal({ result: IDOK, controls: { 1001 => 'Ünïcode' } }, answer)
    assert_equal ['dialog', 101, 'TwinLink settings', { 1001 => 'old' }],
                 HostSim::Desktop.messages.last.values_at(:kind, :resource_id, :caption, :controls)
    capture_subprocess_io do
      assert_equal({ result: IDCANCEL, controls: {} }, HostSim::Desktop.dialog(102, 'About', {}, IDCANCEL))
    end
  end

  # --- status bar, console and HTML dialogs ----------------------------------------------------

  # Every call in order is test_plugin_link's (the start's status texts); here the text each
  # pane shows now.
  def test_status_bar_panes_keep_their_current_texts
    Sketchup.set_status_text('Progress', SB_VCB_LABEL)
    Sketchup.set_status_text('40%', SB_VCB_VALUE)
    Sketchup.set_status_text(nil, SB_VCB_VALUE)
    Sketchup.status_text = 'Ready'
    assert_equal ['Ready', 'Progress', nil], [SB_PROMPT, SB_VCB_LABEL, SB_VCB_VALUE].map { HostSim.status_text(_1) }
    assert_raises(ArgumentError) { Sketchup.set_status_text('x', 7) }
  end

  def test_console_writes_to_standard_output
    out, = capture_io do
      SKETCHUP_CONSOLE.puts('line')
      SKETCHUP_CONSOLE.print('a', 'b')
      assert_equal 2, SKETCHUP_CONSOLE.write("c\n"), 'bytes written'
    end
    assert_equal "line\nabc\n", out
  end

  def test_html_dialog_is_recorded_and_its_callbacks_can_be_called
    dialog = UI::HtmlDialog.new(dialog_title: 'TwinLink', style: UI::HtmlDialog::STYLE_DIALOG)
    dialog.set_html('<p>hi</p>')
    received = nil
    dialog.add_action_callback('save') { |_context, value| received = value }
    dialog.show_modal
    assert_same dialog, HostSim.html_dialogs.last
    assert_equal ['TwinLink', '<p>hi</p>', true, true], [dialog.title, dialog.html, dialog.visible?, dialog.modal?]
    dialog.call_action('save', 42)
    assert_equal 42, received
    allow_close = false
    dialog.set_can_close { allow_close }
    dialog.close
    assert dialog.visible?, 'set_can_close returning false keeps it open'
    allow_close = true
    dialog.close
    refute dialog.visible?
  end
end
