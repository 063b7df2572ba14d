require 'minitest/autorun'
require 'plugin_host'

# The plug-in's toolbar, submenu and context-menu entry: their order, every text and icon a
# user sees, and which commands are enabled with the link stopped and running.
class TestPluginCommands < Minitest::Test
  ICONS = File.join(File.expand_path(PluginHost::PLUGIN_DIR), 'korvan', 'assets')

  include PluginHost::FreshModel

  def setup
    super
    PluginHost.toolbar.show
  end

  # [text, tooltip, status-bar text, menu text, small icon, large icon] of a command.
  def texts_of(command)
    [command.text, command.tooltip, command.status_bar_text, command.menu_text, command.small_icon, command.large_icon]
  end

  def icon(file) = File.join(ICONS, file)

  def test_toolbar_holds_the_commands_in_groups_with_their_texts_and_icons
    items = PluginHost.toolbar.to_a
    assert_equal ['About', '|', 'Start TwinLink', 'Stop TwinLink', '|', 'Start camera synchronization',
                  'Stop camera synchronization', '|', 'TwinLink settings'],
                 items.map { |item| item == '|' ? item : item.text }

    commands = items.reject { |item| item == '|' }
    assert_equal [
      ['About', 'About…', 'About Korvan® TwinLink®', 'About…', icon('icon_korvan.svg'), icon('icon_korvan.svg')],
      ['Start TwinLink', 'Start TwinLink', 'Start TwinLink to view your project in Korvan', 'Start TwinLink',
       icon('icon_start.svg'), icon('icon_start.svg')],
      ['Stop TwinLink', 'Stop TwinLink', 'Stop TwinLink', 'Stop TwinLink', icon('icon_stop.svg'), icon('icon_stop.svg')],
      ['Start camera synchronization', 'Start camera synchronization', 'Only available for perspective camera',
       'Start camera synchronization', icon('icon_sync_cam.svg'), icon('icon_sync_cam.svg')],
      ['Stop camera synchronization', 'Stop camera synchronization', 'Stop camera synchronization with Korvan',
       'Stop camera synchronization', icon('icon_sync_cam_off.svg'), icon('icon_sync_cam_off.svg')],
      ['TwinLink settings', 'TwinLink settings…', 'TwinLink settings', 'TwinLink settings…',
       icon('icon_settings.svg'), icon('icon_settings.svg')]
    ], commands.map { |command| texts_of(command) }
    commands.each { |command| assert File.file?(command.small_icon), "#{command.small_icon} is installed" }
    assert(commands.all? { |command| command.text.encoding == Encoding::UTF_8 })
  end

  def test_submenu_shares_the_toolbars_commands_and_adds_show_toolbar
    items = PluginHost.submenu.items
    assert_equal [[:command, 'Start TwinLink'], [:command, 'Stop TwinLink'], [:separator, nil],
                  [:command, 'Start camera synchronization'], [:command, 'Stop camera synchronization'],
                  [:separator, nil], [:command, 'Show TwinLink Toolbar'], [:command, 'TwinLink settings…'],
                  [:separator, nil], [:command, 'About…']],
                 items.map { |item| [item.kind, item.text] }

    on_toolbar = PluginHost.toolbar.to_a.reject { |item| item == '|' }
    in_menu = items.map(&:command).compact
    assert_equal 6, (on_toolbar & in_menu).size, 'the same command objects'
    show = PluginHost.command('Show TwinLink Toolbar')
    assert_equal ['Show TwinLink Toolbar'] * 4 + [icon('icon_korvan.svg')] * 2, texts_of(show)
    refute_includes on_toolbar, show
  end

  # Enabled commands by menu text.
  def enabled_commands
    PluginHost.submenu.items.select(&:command).select(&:enabled?).map(&:text)
  end

  def test_enabling_and_the_heartbeat_follow_the_link_state
    assert_equal ['Start TwinLink', 'TwinLink settings…', 'About…'], enabled_commands, 'link stopped'
    start_saved
    # A new model's camera is a perspective one, followed from the start.
    assert_equal ['Stop TwinLink', 'Stop camera synchronization', 'About…'], enabled_commands, 'link running'
    assert_equal 1, HostSim.timer_ids.size, 'one heartbeat per link'

    # A second start finds the link open and does nothing.
    timers = HostSim.timer_ids
    start
    assert_equal timers, HostSim.timer_ids

    PluginHost.command('Stop TwinLink').invoke
    assert_equal ['Start TwinLink', 'TwinLink settings…', 'About…'], enabled_commands, 'link stopped again'
    assert_empty HostSim.timer_ids
  end

  # The About box: its texts and the maker's pages behind the picture and the two link texts.
  def test_about_shows_the_version_and_opens_the_makers_pages
    record_web_links
    HostSim::Desktop.answer({ clicks: [1009, 1004, 1011, 1] })
    PluginHost.command('About…').invoke
    assert_equal [{ kind: 'dialog', caption: 'About Korvan® TwinLink® for SketchUp', text: '', flags: 0, resource_id: 102,
                    controls: { 1 => 'OK', 1004 => '', 1005 => 'Korvan® TwinLink® for SketchUp',
                                1007 => 'version: 3.52.774', 1009 => 'www.korvan-render.com/support.html',
                                1011 => 'www.korvan-render.com/sketchup-exporters.html' } }],
                 HostSim::Desktop.messages
    # Each page opens in a browser of its own, which may get there before the one started earlier.
    assert_equal %w[/support.html / /sketchup-exporters.html].map { |path|
      "https://www.korvan-render.com#{path.delete_suffix('/')}#{campaign_query}"
    }.sort, opened_links(3).sort
  end

  # The settings dialog shows the settings as last loaded and saves each change at once, all four
  # values together; OK only closes it.
  def test_settings_save_each_change_at_once
    PluginHost.write_dword('CameraAutoSync', 1)
    start_saved # every start loads the settings; the values saved are those, changes aside
    PluginHost.command('Stop TwinLink').invoke
    HostSim::Desktop.clear
    HostSim::Desktop.answer({ clicks: [1002, 2] }, { clicks: [1002] }, { clicks: [1002, 1002, 2] })
    PluginHost.command('TwinLink settings…').invoke
    settings = HostSim::Desktop.messages.first
    assert_equal ['Korvan TwinLink settings', 101, { 1 => 'OK', 1002 => 'Automatically start camera synchronization',
                                                      1003 => 'Face mode: single sided' }, { 1002 => true, 1003 => false },
                  [1003]],
                 settings.values_at(:caption, :resource_id, :controls, :checked, :hidden)
    stored = -> { %w[CameraAutoSync SingleSided MemoryTextures SkipKorvanCheck].map { |n| PluginHost.setting(n)&.last&.unpack1('V') } }
    assert_equal [0, 0, 1, 1], stored.call, 'unticked and saved at once: Esc closes without saving'

    PluginHost.command('TwinLink settings…').invoke
    assert_equal({ 1002 => false, 1003 => false }, HostSim::Desktop.messages.last[:checked])
    assert_equal [1, 0, 1, 1], stored.call, 'ticked again, then closed by Enter'

    PluginHost.command('TwinLink settings…').invoke
    assert_equal({ 1002 => true, 1003 => false }, HostSim::Desktop.messages.last[:checked])
    assert_equal [1, 0, 1, 1], stored.call, 'unticked and ticked again, then Esc'
    assert_equal 0, HostSim::Desktop.pending_answers
  end

  def context_menu_items
    HostSim.open_context_menu.items.map { |item| [item.kind, item.text] }
  end

  def test_context_menu_offers_update_face_for_a_selected_face_while_linked
    face = PluginHost.square(@model.entities)
    edge = @model.entities.add_line([0, 20, 0], [10, 20, 0])
    @model.selection.add(face)
    assert_empty context_menu_items, 'link stopped'

    start_saved
    @model.selection.clear
    assert_empty context_menu_items, 'nothing selected'
    @model.selection.add(edge)
    assert_empty context_menu_items, 'only an edge selected'
    @model.selection.add(face)
    assert_equal [[:separator, nil], [:command, 'TwinLink: Update Face']], context_menu_items

    menu = HostSim.open_context_menu
    update = menu.items.last.command
    assert_equal ['TwinLink: Update Face'] * 4 + ['', ''], texts_of(update)
    refute_same update, HostSim.open_context_menu.items.last.command, 'a new command for every menu'
    update.invoke
    assert PluginHost.linked?
  end

  def test_unloading_the_extension_stops_the_link_and_hides_the_toolbar
    start_saved
    HostSim.unload_extension('korvan_twinlink')
    refute PluginHost.linked?
    assert_empty HostSim.timer_ids
    refute PluginHost.toolbar.visible?
  end
end
